// The web remote in a real browser at a phone's size: start from the page runs the engine,
// the page's preview offset agrees with the engine's, and the page recovers when the server
// restarts. Usage: node remote.test.mjs HARNESS OUTPUT_DIR
import { spawn } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { createInterface } from 'node:readline';
import puppeteer from 'puppeteer-core';

const [harnessPath, outputDir = tmpdir()] = process.argv.slice(2);
const deadline = (ms, what) => new Promise((_, reject) => setTimeout(() => reject(new Error(`timed out: ${what}`)), ms));
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
let passed = 0;
let failed = 0;
function check(ok, what) {
  if (ok) { passed++; console.log(`PASS ${what}`); } else { failed++; console.log(`FAIL ${what}`); }
}
// Waits for the engine to come to a state, and counts it as passed.
async function until(predicate, ms, what) {
  for (const end = Date.now() + ms; !(await predicate()); await sleep(50)) {
    if (Date.now() > end) throw new Error(`timed out: ${what}`);
  }
  check(true, what);
}

const harness = spawn(harnessPath, ['0'], { stdio: ['pipe', 'pipe', 'inherit'] });
const lines = createInterface({ input: harness.stdout });
const url = await Promise.race([
  new Promise((resolve) => lines.on('line', (line) => {
    if (line.startsWith('Remote control: ')) resolve(line.slice(16));
  })),
  deadline(20000, 'the harness prints its address'),
]);
const token = new URL(url).searchParams.get('token');
const engineState = async () => (await fetch(new URL('/api/v1/state', url), {
  headers: { Authorization: `Bearer ${token}` },
})).json();

const profile = mkdtempSync(join(tmpdir(), 'cm-remote-chromium-'));
const browser = await puppeteer.launch({
  executablePath: process.env.CM_CHROMIUM || '/usr/bin/chromium',
  headless: false, // the flag below: Debian's chromium, headless, with nothing of its own running
  userDataDir: profile,
  args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});

try {
  const page = await browser.newPage();
  const shows = async (predicate, ms, what) => {
    await page.waitForFunction(predicate, { timeout: ms });
    check(true, what);
  };
  await page.setViewport({ width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true });
  await page.goto(url);
  await page.waitForFunction(() => window.cmRemote && cmRemote.connected() && cmRemote.scriptLoaded(), { timeout: 15000 });
  check(!(await engineState()).running, 'the engine waits for the start');

  await page.tap('#toggle');
  await until(async () => (await engineState()).running, 5000, 'start from the page runs the engine');
  await shows(() => document.getElementById('toggle-label').textContent === 'Stop', 5000, 'the page shows the engine running');

  // Ten moments while scrolling: the page's own reading of the clock against the engine's,
  // taken at the middle of a request's round trip (the quickest of five, so a busy machine's
  // delays do not count against the page).
  let worst = 0;
  for (let i = 0; i < 10; i++) {
    await sleep(250);
    const m = await page.evaluate(async (t) => {
      let best = null;
      for (let k = 0; k < 5; k++) {
        const sent = performance.now();
        const r = await fetch('/api/v1/state', { headers: { Authorization: `Bearer ${t}` } });
        const received = performance.now();
        const s = await r.json();
        const m = { page: cmRemote.offsetAt((sent + received) / 2), engine: s.offset, rtt: received - sent };
        if (!best || m.rtt < best.rtt) best = m;
      }
      return best;
    }, token);
    const diff = Math.abs(m.page - m.engine);
    worst = Math.max(worst, diff);
    console.log(`  moment ${i + 1}: engine ${m.engine.toFixed(2)} page ${m.page.toFixed(2)} (round trip ${m.rtt.toFixed(1)} ms)`);
    check(diff <= 2 && m.engine > 0, `moment ${i + 1}: the preview agrees within 2 points (${diff.toFixed(2)})`);
  }
  console.log(`  largest difference: ${worst.toFixed(3)} points`);
  await page.screenshot({ path: join(outputDir, 'remote-phone.png') });

  // The server goes away and comes back on the same port: the page says so, then recovers.
  harness.stdin.write('restart\n');
  await shows(() => !document.getElementById('lost').hidden, 5000, 'the page shows the lost connection');
  await page.screenshot({ path: join(outputDir, 'remote-phone-lost.png') });
  await shows(() => cmRemote.connected() && document.getElementById('lost').hidden, 15000, 'the page reconnects by itself');
  await page.tap('#toggle');
  await until(async () => !(await engineState()).running, 5000, 'the page controls the engine again');
} catch (e) {
  failed++;
  console.log(`FAIL ${e.message}`);
} finally {
  await browser.close();
  harness.stdin.end('quit\n');
  rmSync(profile, { recursive: true, force: true });
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 && passed > 0 ? 0 : 1);
