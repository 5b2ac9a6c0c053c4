#!/usr/bin/env bash
# Installs the browser test's npm packages (once per lock file) into the build folder, then runs
# the test. Usage: run.sh HARNESS WORK_DIR
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
harness="$1"
work="$2"
for tool in node npm "${CM_CHROMIUM:-/usr/bin/chromium}"; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/deps.sh test" >&2; exit 1; }
done
mkdir -p "$work"
if ! cmp -s "$here/package-lock.json" "$work/package-lock.json" || [[ ! -d "$work/node_modules" ]]; then
    cp "$here/package.json" "$here/package-lock.json" "$work/"
    (cd "$work" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
fi
cp "$here/remote.test.mjs" "$work/"
cd "$work"
exec node remote.test.mjs "$harness" "$work"
