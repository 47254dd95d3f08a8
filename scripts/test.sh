#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
build="${PLUMDECK_BUILD_DIR:-build}"
jobs=$(( $(nproc) < 4 ? 4 : $(nproc) ))
ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@"
if [ -n "$(ls fuzz/fuzz_*.cpp 2>/dev/null)" ] && [ "${PLUMDECK_SKIP_FUZZ:-}" != 1 ]; then
    scripts/fuzz.sh
fi
