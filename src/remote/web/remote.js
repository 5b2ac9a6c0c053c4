// The web remote. It draws the prompter's position itself: the server sends the scroll
// clock's parameters, and the page evaluates the same formula as the live window with its own
// clock, corrected by the measured difference to the server's.
(() => {
  'use strict';

  const token = new URLSearchParams(location.search).get('token') || '';
  const $ = (id) => document.getElementById(id);
  const clamp = (v, lo, hi) => Math.min(hi, Math.max(lo, v));

  // --- clock: server time = client time + diff, from the ping with the shortest round trip
  const clock = { diff: null, samples: [] };
  function addSample(sent, received, server) {
    clock.samples.push({ rtt: received - sent, diff: server - (sent + received) / 2 });
    if (clock.samples.length > 12) clock.samples.shift();
    clock.diff = clock.samples.reduce((a, b) => (b.rtt < a.rtt ? b : a)).diff;
  }
  const serverTime = (clientTime) => clientTime + (clock.diff ?? 0);

  // --- state
  let state = null;
  let script = null;
  let scriptRevision = -1;
  let fetchingScript = false;

  // The engine's offset(at), for a time on the server's clock.
  function offsetAt(t) {
    const c = state.clock;
    const end = Math.max(c.contentHeight, 0);
    let value = c.base;
    if (state.running && c.startedAt !== null) {
      if (c.countdownEnds !== null && t < c.countdownEnds) return clamp(c.base, 0, end);
      const start = c.countdownEnds !== null ? Math.max(c.startedAt, c.countdownEnds) : c.startedAt;
      value = c.base + Math.max(t - start, 0) / 1000 * c.rate;
    }
    return Math.min(end, Math.max(value, 0));
  }

  // --- layout: the script wrapped as the prompter wraps it, then pinned to the prompter's own
  // positions (each cue line, the end) so the text at the reading line is the live window's.
  const measure = document.createElement('canvas').getContext('2d');
  let layout = null;
  let layoutKey = '';
  let layoutStale = true; // a new state or script: the key must be checked again

  function families(name) {
    if (name.startsWith('HelveticaNeue')) return '"Nimbus Sans", "Helvetica Neue", Helvetica, Arial, sans-serif';
    if (name.startsWith('Arial')) return 'Arial, "Liberation Sans", sans-serif';
    if (name.startsWith('Verdana')) return 'Verdana, "DejaVu Sans", sans-serif';
    if (name.startsWith('AvenirNext')) return '"Avenir Next", "URW Gothic", sans-serif';
    if (name.startsWith('Georgia')) return 'Georgia, C059, serif';
    if (name.startsWith('Menlo')) return 'Menlo, "DejaVu Sans Mono", monospace';
    return 'sans-serif';
  }
  function weight(name) {
    if (/Bold/.test(name)) return 700;
    if (/DemiBold/.test(name)) return 600;
    return 400;
  }

  function wrap(text, font, width, cache) {
    measure.font = font;
    const words = text.split(/(\s+)/);
    const lines = [];
    let line = '';
    let lineWidth = 0;
    const widthOf = (w) => {
      let v = cache.get(w);
      if (v === undefined) { v = measure.measureText(w).width; cache.set(w, v); }
      return v;
    };
    for (const w of words) {
      if (w === '') continue;
      const ww = widthOf(w);
      if (lineWidth + ww > width && line.trim() !== '' && !/^\s+$/.test(w)) {
        lines.push(line.trimEnd());
        line = w; lineWidth = ww;
      } else {
        line += w; lineWidth += ww;
      }
    }
    lines.push(line.trimEnd());
    return lines;
  }

  function buildLayout() {
    if (!layoutStale && layout) return layout;
    layoutStale = false;
    const s = state.settings;
    const fs = clamp(s.fontSize, 24, 200);
    const margin = clamp(s.margin, 0, 35);
    const spacing = clamp(s.lineSpacing, 1, 2.2);
    const key = [scriptRevision, fs, margin, spacing, s.fontName, s.uppercase,
      state.contentHeight, JSON.stringify(state.cues.map((c) => [c.line, c.offset]))].join('|');
    if (key === layoutKey && layout) return layout;
    layoutKey = key;

    const column = 1920 * (1 - 2 * margin / 100);
    const rowGap = fs * (spacing - 1) + 4;
    const wrapGap = fs * (spacing - 1);
    const spokenFont = `${weight(s.fontName)} ${fs}px ${families(s.fontName)}`;
    const cueSize = fs * 0.55;
    const cueFont = `600 ${cueSize}px system-ui, "DejaVu Sans", sans-serif`;
    const lineHeight = (size) => size * 1.2;
    const cache = new Map();
    const cueCache = new Map();
    const lines = [];
    const rowTops = [];
    let y = 0;
    const rows = (script ?? '').split('\n');
    rows.forEach((raw, index) => {
      if (index > 0) y += rowGap;
      rowTops.push(y);
      const trimmed = raw.trim();
      if (trimmed === '') { y += fs * 0.6; return; }
      const isCue = /^\[[^\]]*\]$/.test(trimmed);
      const text = isCue || !s.uppercase ? raw : raw.toUpperCase();
      const font = isCue ? cueFont : spokenFont;
      const size = isCue ? cueSize : fs;
      const wrapped = wrap(text, font, column, isCue ? cueCache : cache);
      wrapped.forEach((t, i) => {
        if (i > 0) y += wrapGap;
        lines.push({ y, size, text: t, cue: isCue, font });
        y += lineHeight(size);
      });
    });
    y += rowGap + 40 + rowGap;
    lines.push({ y, size: fs * 0.5, text: '\u2014 END \u2014', cue: true,
      font: `800 ${fs * 0.5}px system-ui, sans-serif`, end: true });
    y += lineHeight(fs * 0.5);

    // Anchors: the top, every cue line where the prompter put it, and the end.
    const anchors = [[0, 0]];
    for (const cue of state.cues) {
      const top = rowTops[cue.line];
      const last = anchors[anchors.length - 1];
      if (top !== undefined && top > last[0] && cue.offset > last[1]) anchors.push([top, cue.offset]);
    }
    const total = state.contentHeight > 0 ? state.contentHeight : y;
    if (y > anchors[anchors.length - 1][0] && total > anchors[anchors.length - 1][1]) anchors.push([y, total]);
    const map = (py) => {
      let i = 1;
      while (i < anchors.length - 1 && anchors[i][0] < py) i++;
      const [a, b] = [anchors[i - 1], anchors[Math.min(i, anchors.length - 1)]];
      if (b[0] === a[0]) return a[1] + (py - a[0]);
      return a[1] + (py - a[0]) * (b[1] - a[1]) / (b[0] - a[0]);
    };
    for (const line of lines) { line.top = map(line.y); line.bottom = map(line.y + lineHeight(line.size)); }
    layout = { lines, left: 1920 * margin / 100, column, fs };
    return layout;
  }

  // --- drawing
  const canvas = $('preview');
  const ctx = canvas.getContext('2d');
  let shown = { offset: null, at: null };

  function sizeCanvas() {
    const viewport = state ? clamp(state.viewportHeight, 200, 5000) : 1080;
    const cssWidth = canvas.clientWidth || 360;
    const cssHeight = Math.min(cssWidth * viewport / 1920, window.innerHeight * 0.45);
    const ratio = window.devicePixelRatio || 1;
    canvas.style.height = `${cssHeight}px`;
    const w = Math.round(cssWidth * ratio);
    const h = Math.round(cssHeight * ratio);
    if (canvas.width !== w || canvas.height !== h) { canvas.width = w; canvas.height = h; }
  }

  function draw(now) {
    if (!state) return;
    sizeCanvas();
    const t = serverTime(now);
    const offset = offsetAt(t);
    shown = { offset, at: now };
    const s = state.settings;
    const scale = canvas.width / 1920;
    const H = canvas.height / scale; // canvas points visible
    const cueY = clamp(s.cuePosition, 0.1, 0.7) * H;
    const fs = clamp(s.fontSize, 24, 200);
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.fillStyle = state.palette.background;
    ctx.fillRect(0, 0, canvas.width, canvas.height);
    ctx.setTransform(scale, 0, 0, scale, 0, 0);

    if (script !== null) {
      const l = buildLayout();
      const top = offset - cueY;
      const bottom = top + H;
      let lo = 0, hi = l.lines.length;
      while (lo < hi) { const mid = (lo + hi) >> 1; if (l.lines[mid].bottom < top) lo = mid + 1; else hi = mid; }
      ctx.textBaseline = 'top';
      for (let i = lo; i < l.lines.length && l.lines[i].top <= bottom; i++) {
        const line = l.lines[i];
        ctx.font = line.font;
        ctx.globalAlpha = line.cue ? 0.55 : 1;
        ctx.fillStyle = state.palette.text;
        const x = line.end ? l.left + (l.column - ctx.measureText(line.text).width) / 2 : l.left;
        ctx.fillText(line.text, x, line.top - top);
      }
      ctx.globalAlpha = 1;
    }
    if (s.cueLine) {
      ctx.fillStyle = 'rgba(255, 59, 48, 0.13)';
      ctx.fillRect(0, cueY - 0.12 * fs, 1920, 1.35 * fs);
      ctx.fillStyle = 'rgb(255, 59, 48)';
      const mid = cueY + 0.55 * fs;
      ctx.beginPath(); ctx.moveTo(14, mid - 28); ctx.lineTo(60, mid); ctx.lineTo(14, mid + 28); ctx.fill();
      ctx.beginPath(); ctx.moveTo(1906, mid - 28); ctx.lineTo(1860, mid); ctx.lineTo(1906, mid + 28); ctx.fill();
    }
    const ends = state.clock.countdownEnds;
    if (state.running && ends !== null && t < ends) {
      ctx.fillStyle = 'rgba(0, 0, 0, 0.55)';
      ctx.fillRect(0, 0, 1920, H);
      ctx.fillStyle = '#fff';
      ctx.font = `800 ${Math.min(260, H * 0.6)}px system-ui, sans-serif`;
      ctx.textAlign = 'center'; ctx.textBaseline = 'middle';
      ctx.fillText(String(Math.ceil((ends - t) / 1000)), 960, H / 2);
      ctx.textAlign = 'start';
    }
  }

  let dirty = true;
  function frame(now) {
    // Without the server the last state may be stale: the picture stands still until it is back.
    if (connected && (dirty || (state && state.running))) { draw(now); dirty = false; }
    if (connected) updateTimes(now);
    requestAnimationFrame(frame);
  }

  // --- controls and readouts
  const main = $('main');
  function fmt(seconds) {
    if (seconds === null || !isFinite(seconds)) return '–:––';
    const s = Math.max(0, Math.round(seconds));
    const h = Math.floor(s / 3600), m = Math.floor(s / 60) % 60, r = s % 60;
    return (h ? `${h}:${String(m).padStart(2, '0')}` : `${m}`) + `:${String(r).padStart(2, '0')}`;
  }
  function updateTimes(now) {
    if (!state) return;
    // Elapsed runs on between pushes; remaining follows the text.
    const t = serverTime(now);
    const moving = state.running && state.clock.startedAt !== null
      && !(state.clock.countdownEnds !== null && t < state.clock.countdownEnds);
    const since = moving ? Math.max(0, (t - state.now) / 1000) : 0;
    $('elapsed').textContent = fmt(state.elapsed + since);
    const rate = state.clock.rate;
    const left = Math.max(state.clock.contentHeight, 0) - offsetAt(t);
    $('remaining').textContent = rate > 0 ? fmt(left <= 0.5 ? 0 : left / rate) : '–:––';
    const status = $('status');
    let word = 'STOPPED', cls = '';
    if (state.running && state.clock.countdownEnds !== null && t < state.clock.countdownEnds) {
      word = `STARTS IN ${Math.ceil((state.clock.countdownEnds - t) / 1000)}`; cls = 'running';
    } else if (state.running) { word = 'RUNNING'; cls = 'running'; }
    else if (state.finished) { word = 'FINISHED'; cls = 'finished'; }
    if (status.textContent !== word) status.textContent = word;
    status.className = `status ${cls}`;
  }

  function showState() {
    const s = state.settings;
    $('speed').textContent = Number(s.speed).toFixed(1);
    const toggle = $('toggle');
    toggle.classList.toggle('running', state.running);
    $('toggle-icon').textContent = state.running ? '❚❚' : '▶';
    $('toggle-label').textContent = state.running ? 'Stop' : 'Start';
    toggle.setAttribute('aria-label', state.running ? 'Stop' : 'Start');
    document.querySelector('[data-command="mirror"]').setAttribute('aria-pressed', String(s.mirror));
    document.querySelector('[data-command="flip"]').setAttribute('aria-pressed', String(s.flip));
    const live = $('live');
    live.setAttribute('aria-pressed', String(state.live));
    live.textContent = state.live ? 'End Live' : 'Go Live';
    const next = state.cues[state.nextCue];
    $('next-cue').textContent = next ? `Next cue: ${next.text}` : '';
    layoutStale = true;
    dirty = true;
  }

  let toastTimer = 0;
  function showCue(event) {
    const toast = $('cue-toast');
    toast.textContent = event.text;
    toast.hidden = false;
    clearTimeout(toastTimer);
    toastTimer = setTimeout(() => { toast.hidden = true; }, 4000);
  }

  // --- connection
  let socket = null;
  let connected = false;
  let retryMs = 500;
  let pingTimer = 0;
  let nextId = 1;
  const pings = new Map();

  function setConnected(on, detail) {
    connected = on;
    $('lost').hidden = on;
    if (detail) $('lost-detail').textContent = detail;
    main.classList.toggle('offline', !on);
    if (!on) { $('status').textContent = 'OFFLINE'; $('status').className = 'status'; }
  }

  function ping() {
    if (!socket || socket.readyState !== WebSocket.OPEN) return;
    const id = nextId++;
    const t = performance.now();
    pings.set(id, t);
    socket.send(JSON.stringify({ type: 'ping', id, t }));
  }

  async function loadScript() {
    if (fetchingScript || !state || state.scriptRevision === scriptRevision) return;
    fetchingScript = true;
    const revision = state.scriptRevision;
    try {
      const r = await fetch('/api/v1/script', { headers: { Authorization: `Bearer ${token}` } });
      if (r.ok) { script = await r.text(); scriptRevision = revision; layoutKey = ''; layoutStale = true; dirty = true; }
    } catch (e) { /* the socket reports the lost connection */ }
    fetchingScript = false;
    // Typing in the editor changes the script often: fetch again at most once a second.
    if (state && state.scriptRevision !== scriptRevision) setTimeout(loadScript, 1000);
  }

  function receive(message) {
    let data;
    try { data = JSON.parse(message.data); } catch (e) { return; }
    if (data.type === 'state') {
      if (clock.diff === null) clock.diff = data.now - performance.now();
      state = data;
      showState();
      loadScript();
    } else if (data.type === 'pong') {
      const sent = pings.get(data.id);
      pings.delete(data.id);
      if (sent !== undefined) { addSample(sent, performance.now(), data.server); dirty = true; }
    } else if (data.type === 'cue') {
      showCue(data);
    }
  }

  async function tokenRefused() {
    try {
      const r = await fetch('/api/v1/state', { headers: { Authorization: `Bearer ${token}` } });
      return r.status === 401;
    } catch (e) { return false; }
  }

  function connect() {
    const url = `${location.protocol === 'https:' ? 'wss' : 'ws'}://${location.host}/api/v1/events?token=${encodeURIComponent(token)}`;
    socket = new WebSocket(url);
    socket.onopen = () => {
      retryMs = 500;
      setConnected(true);
      clock.samples = [];
      for (let i = 0; i < 5; i++) setTimeout(ping, i * 120);
      clearInterval(pingTimer);
      pingTimer = setInterval(ping, 5000);
    };
    socket.onmessage = receive;
    socket.onclose = async () => {
      clearInterval(pingTimer);
      socket = null;
      const refused = await tokenRefused();
      setConnected(false, refused
        ? 'This address is no longer valid: open the new one from Remote Control in Cuemaster.'
        : 'Reconnecting…');
      setTimeout(connect, refused ? 10000 : retryMs);
      retryMs = Math.min(retryMs * 2, 3000);
    };
  }

  function send(command) {
    if (socket && socket.readyState === WebSocket.OPEN) {
      socket.send(JSON.stringify({ ...command, id: nextId++ }));
    }
  }

  document.querySelectorAll('[data-command]').forEach((button) => {
    button.addEventListener('click', () => send({ command: button.dataset.command }));
  });
  window.addEventListener('resize', () => { dirty = true; });
  document.addEventListener('visibilitychange', () => {
    // A phone that slept may have lost its socket without noticing.
    if (!document.hidden && socket && socket.readyState === WebSocket.OPEN) ping();
  });

  // For tests and curious operators: the page's own reading of the prompter.
  window.cmRemote = {
    offsetAt: (clientTime = performance.now()) => (state ? offsetAt(serverTime(clientTime)) : null),
    shown: () => shown,
    connected: () => connected,
    state: () => state,
    clockDiff: () => clock.diff,
    scriptLoaded: () => script !== null && state !== null && scriptRevision === state.scriptRevision,
  };

  setConnected(false, 'Connecting…');
  connect();
  requestAnimationFrame(frame);
})();
