#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the normal build, then the sanitizer
# build (AddressSanitizer + UndefinedBehaviorSanitizer), then about a minute of fuzzing per
# file reader. Fails on the first failing stage.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh test

stage() { printf '\n==== %s ====\n' "$*"; }

stage "normal build"
cmake --preset default
cmake --build --preset default
stage "tests (normal build)"
ctest --preset default

stage "sanitizer build"
cmake --preset asan
cmake --build --preset asan
stage "tests (sanitizer build)"
ctest --preset asan

stage "fuzzing the file readers"
scripts/fuzz.sh "${CM_FUZZ_SECONDS:-60}"

stage "all stages passed"
