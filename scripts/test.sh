#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz=0
[ -n "$(ls fuzz/fuzz_*.cpp 2>/dev/null)" ] && [ "${PLUMDECK_SKIP_FUZZ:-}" != 1 ] && fuzz=1
# Everything the fuzz run needs too, installed before the long build.
PLUMDECK_FUZZ=$fuzz scripts/deps.sh
scripts/build.sh
build="${PLUMDECK_BUILD_DIR:-build}"
jobs=$(( $(nproc) < 4 ? 4 : $(nproc) ))
ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@"
if [ "$fuzz" = 1 ]; then
    scripts/fuzz.sh
fi
