#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the normal build, then its Debian package
# (built, checked, installed and removed again), then the sanitizer build (AddressSanitizer +
# UndefinedBehaviorSanitizer), then about a minute of fuzzing per file reader. Fails on the
# first failing stage.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test

stage() { printf '\n==== %s ====\n' "$*"; }

# The live-window tests need a desktop with two monitors: a fresh one for each ctest run.
# CM_XORG_DISPLAY picks its display number (":22"); by default the first free one from :60.
xserver=""
stop_xserver() {
    if [[ -n "$xserver" ]]; then
        scripts/xorg-two-screens.sh stop "$xserver"
        xserver=""
    fi
}
trap stop_xserver EXIT
run_ctest() {
    xserver=$(scripts/xorg-two-screens.sh start "${CM_XORG_DISPLAY:-}")
    CM_XSERVER_DISPLAY=$xserver ctest "$@"
    stop_xserver
}

stage "normal build"
cmake --preset default
cmake --build --preset default
stage "tests (normal build)"
run_ctest --preset default

stage "Debian package"
scripts/package.sh
scripts/check-package.sh

stage "sanitizer build"
cmake --preset asan
cmake --build --preset asan
stage "tests (sanitizer build)"
run_ctest --preset asan

stage "fuzzing the file readers"
scripts/fuzz.sh "${CM_FUZZ_SECONDS:-60}"

stage "all stages passed"
