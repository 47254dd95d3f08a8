#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (in build-sanitize/) and runs each
# over its seeds.
#   scripts/fuzz.sh            a few thousand runs each (what the tests do)
#   scripts/fuzz.sh 600 NAME   fuzz NAME for 600 seconds
set -euo pipefail
cd "$(dirname "$0")/.."
PLUMDECK_FUZZ=1 scripts/deps.sh
# The sanitizer build's folder (scripts/sanitize.sh): the targets share its
# instrumented objects.
build=build-sanitize
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DPLUMDECK_FUZZ=ON -DPLUMDECK_SANITIZE=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
args=(--target fuzz-targets)
[ -n "${PLUMDECK_JOBS:-}" ] && args+=(-j "$PLUMDECK_JOBS")
cmake --build "$build" "${args[@]}"
seconds="${1:-}"
only="${2:-}"
failed=0; ran=0
for f in "$build"/fuzz/fuzz_*; do
    [ -f "$f" ] && [ -x "$f" ] || continue # not the autogen folders beside them
    name=$(basename "$f"); name=${name#fuzz_}
    [ -n "$only" ] && [ "$only" != "$name" ] && continue
    corpus="fuzz/corpus/$name"
    work=$(mktemp -d)
    [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
    if [ -n "$seconds" ]; then
        args=(-max_total_time="$seconds")
    else
        args=(-runs=4000)
    fi
    echo "fuzz $name ${args[*]}"
    if "$f" "${args[@]}" -max_len=65536 -timeout=10 -rss_limit_mb=2048 "$work" >"$work.log" 2>&1; then
        ran=$((ran + 1))
    else
        failed=$((failed + 1)); tail -n 40 "$work.log"
    fi
    rm -rf "$work" "$work.log"
done
echo "fuzz: $ran passed, $failed failed"
[ "$failed" -eq 0 ]
