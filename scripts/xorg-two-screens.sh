#!/usr/bin/env bash
# A two-monitor X desktop for the live-window tests, without any display hardware: Xorg with
# the dummy video driver, one 3200 x 1080 framebuffer split by RandR into two monitors that
# Qt reports as two screens side by side: LEFT 1920 x 1080 at 0,0 (primary) and
# RIGHT 1280 x 1024 at 1920,0.
#
#   scripts/xorg-two-screens.sh start [:N]   starts the server (on :N, or the first free
#                                             display from :60) and prints its display
#   scripts/xorg-two-screens.sh stop :N      stops the server started for :N
#
# Xvfb cannot stand in: even with +xinerama it reports a single screen.
set -euo pipefail

state_dir() { echo "${TMPDIR:-/tmp}/cuemaster-xorg-${1#:}"; }

write_config() {
    cat >"$1" <<'CONF'
Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
    Option "DontVTSwitch" "true"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 256000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0-1000.0
    VertRefresh 5.0-200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 3840 2160
    EndSubSection
EndSection
CONF
}

# Starts Xorg on display number $1; succeeds once the server accepts clients.
try_display() {
    local n=$1 dir
    dir=$(state_dir "$n")
    rm -rf "$dir"
    mkdir -p "$dir/conf.d"
    write_config "$dir/xorg.conf"
    : >"$dir/ready"
    Xorg ":$n" -config "$dir/xorg.conf" -configdir "$dir/conf.d" -logfile "$dir/xorg.log" \
        -noreset -nolisten tcp -displayfd 3 3>"$dir/ready" >"$dir/stderr" 2>&1 &
    echo $! >"$dir/pid"
    for _ in $(seq 100); do
        [[ -s "$dir/ready" ]] && return 0
        kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
        sleep 0.1
    done
    kill "$(cat "$dir/pid")" 2>/dev/null || true
    rm -rf "$dir"
    return 1
}

make_monitors() {
    local display=$1
    export DISPLAY=$display
    # cvt 3200 1080 60
    xrandr --newmode cm3200x1080 288.00 3200 3408 3744 4288 1080 1083 1093 1120 -hsync +vsync
    xrandr --addmode DUMMY0 cm3200x1080
    xrandr --output DUMMY0 --mode cm3200x1080 --primary
    xrandr --setmonitor LEFT 1920/508x1080/286+0+0 DUMMY0 >/dev/null
    xrandr --setmonitor RIGHT 1280/338x1024/270+1920+0 none >/dev/null
    [[ $(xrandr --listmonitors | head -1) == "Monitors: 2" ]]
}

start() {
    local candidates n
    if [[ -n "${1:-}" ]]; then
        candidates=("${1#:}")
    else
        candidates=($(seq 60 119))
    fi
    for n in "${candidates[@]}"; do
        [[ -e "/tmp/.X$n-lock" || -e "/tmp/.X11-unix/X$n" ]] && continue
        if try_display "$n"; then
            if ! make_monitors ":$n" >&2; then
                echo "xorg-two-screens: could not make two monitors on :$n" >&2
                stop ":$n"
                return 1
            fi
            echo ":$n"
            return 0
        fi
    done
    echo "xorg-two-screens: could not start Xorg (see the Xorg log in ${TMPDIR:-/tmp})" >&2
    return 1
}

stop() {
    local dir pid
    dir=$(state_dir "${1:?usage: $0 stop :N}")
    [[ -f "$dir/pid" ]] || return 0
    pid=$(cat "$dir/pid")
    if kill "$pid" 2>/dev/null; then
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null || true
    fi
    rm -rf "$dir"
}

case "${1:-}" in
    start) start "${2:-}" ;;
    stop) stop "${2:-}" ;;
    *) echo "usage: $0 start [:N] | stop :N" >&2; exit 2 ;;
esac
