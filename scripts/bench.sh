#!/usr/bin/env bash
# Builds and runs every benchmark (not part of the tests).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
build="${PLUMDECK_BUILD_DIR:-build}"
export QT_QPA_PLATFORM=offscreen
for b in "$build"/bench/bench_*; do
    [ -f "$b" ] && [ -x "$b" ] || continue # not the autogen folders beside them
    echo "== $(basename "$b")"
    "$b" "$@"
done
