#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer) and
# fuzzes every fuzz_* target for a bounded time with a memory limit. Fails on any crash,
# leak, timeout or out-of-memory; the input that did it is kept under build/fuzz/artifacts/.
#
# Seeds for fuzz_NAME: fuzz/seeds/NAME/, tests/files/fixtures/NAME/ and, when present, the
# public corpus folder of the same format (../shared/corpus, or CM_CORPUS_DIR). Dictionaries: fuzz/fuzz_NAME.dict.
# Usage: scripts/fuzz.sh [seconds per target, default 35] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-${CM_FUZZ_SECONDS:-35}}
shift || true
corpus=${CM_CORPUS_DIR:-$(pwd)/../shared/corpus}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

targets=("$@")
if ((${#targets[@]} == 0)); then
    while IFS= read -r path; do targets+=("$(basename "$path")"); done < <(
        find build/fuzz/fuzz -maxdepth 1 -type f -name 'fuzz_*' -perm -u+x | sort)
fi
if ((${#targets[@]} == 0)); then
    echo "no fuzz targets were built" >&2
    exit 1
fi

failed=()
for target in "${targets[@]}"; do
    name=${target#fuzz_}
    case "$name" in
        plain) formats=(txt) ;;
        rtf) formats=(rtf rtfd) ;;
        odt) formats=(odt fodt) ;;
        *) formats=("$name") ;;
    esac
    seeds=()
    [[ -d fuzz/seeds/$name ]] && seeds+=("fuzz/seeds/$name")
    [[ -d tests/files/fixtures/$name ]] && seeds+=("tests/files/fixtures/$name")
    for format in "${formats[@]}"; do
        [[ -d $corpus/$format ]] && seeds+=("$corpus/$format")
    done
    # A small reader may ask for less time (fuzz/TARGET.seconds), never for more.
    target_seconds=$seconds
    if [[ -f fuzz/$target.seconds ]] && (($(<"fuzz/$target.seconds") < seconds)); then
        target_seconds=$(<"fuzz/$target.seconds")
    fi
    options=(-max_total_time="$target_seconds" -rss_limit_mb=2048 -malloc_limit_mb=1024 -timeout=20
             -max_len=262144 -detect_leaks=1 -print_final_stats=1
             -artifact_prefix="$artifacts/$target-")
    [[ -f fuzz/$target.dict ]] && options+=(-dict="fuzz/$target.dict")
    mkdir -p "$work/$target"

    printf '\n==== %s: %ss, seeds: %s ====\n' "$target" "$target_seconds" "${seeds[*]:-none}"
    if ! ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
         UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
         "build/fuzz/fuzz/$target" "${options[@]}" "$work/$target" "${seeds[@]}" \
         >"$work/$target.log" 2>&1; then
        tail -n 60 "$work/$target.log"
        failed+=("$target")
    else
        grep -E '^(stat::|Done|INFO: -max_total_time)' "$work/$target.log" || tail -n 5 "$work/$target.log"
    fi
done

if ((${#failed[@]})); then
    echo "fuzzing failed: ${failed[*]} (inputs in $artifacts)" >&2
    exit 1
fi
echo "fuzzing passed: ${targets[*]}"
