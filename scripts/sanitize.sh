#!/usr/bin/env bash
# Builds everything but the benchmarks with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, the toolkit's assertions on, into
# build-sanitize/ (the fuzz targets' folder too), and runs the whole test
# suite there, the end-to-end runs included. A finding fails it with the
# sanitizer's report (scripts/sanitizer-findings.py).
#   scripts/sanitize.sh               everything
#   scripts/sanitize.sh -R tst_menu   CTest arguments pick tests
set -euo pipefail
cd "$(dirname "$0")/.."
PLUMDECK_FUZZ=1 scripts/deps.sh
build=build-sanitize
# The same configuration as scripts/fuzz.sh, so that either builds on the other.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DPLUMDECK_FUZZ=ON -DPLUMDECK_SANITIZE=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
args=()
[ -n "${PLUMDECK_JOBS:-}" ] && args+=(-j "$PLUMDECK_JOBS")
cmake --build "$build" "${args[@]}"
reports="$build/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
jobs=$(( $(nproc) < 4 ? 4 : $(nproc) ))
status=0
ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@" || status=$?
scripts/sanitizer-findings.py "$reports" . || status=1
exit "$status"
