#!/usr/bin/env bash
# Builds OVS Cuemaster and starts it. Without a display (a bare server), it runs on a virtual
# one so the command still works; pass file names to open a script.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh run
cmake --preset default >/dev/null
cmake --build --preset default --target cuemaster

app=build/default/src/app/cuemaster
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    exec "$app" "$@"
fi
echo "No display found: starting on a virtual display (xvfb-run)." >&2
exec xvfb-run -a -s "-screen 0 1920x1080x24" "$app" "$@"
