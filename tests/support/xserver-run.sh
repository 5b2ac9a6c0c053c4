#!/bin/sh
# Runs a test that needs the two-screen X server on the display named by CM_XSERVER_DISPLAY
# (scripts/test.sh starts one with scripts/xorg-two-screens.sh). Without it the test is
# reported as skipped (exit 77).
if [ -z "${CM_XSERVER_DISPLAY:-}" ]; then
    echo "skipped: CM_XSERVER_DISPLAY is not set (scripts/test.sh starts the two-screen X server)"
    exit 77
fi
DISPLAY=$CM_XSERVER_DISPLAY
export DISPLAY
unset WAYLAND_DISPLAY
exec "$@"
