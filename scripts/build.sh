#!/usr/bin/env bash
# Configures and builds into build/ (or $PLUMDECK_BUILD_DIR): the targets
# given as arguments, or everything (the tests and benchmarks included).
# PLUMDECK_JOBS limits the parallel compile jobs (default: one per core).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${PLUMDECK_BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja >/dev/null
args=()
[ -n "${PLUMDECK_JOBS:-}" ] && args+=(-j "$PLUMDECK_JOBS")
for target in "$@"; do
    args+=(--target "$target")
done
cmake --build "$build" "${args[@]}"
