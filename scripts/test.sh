#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
# PLUMDECK_SKIP_SANITIZE=1 leaves out the run under the sanitizers,
# PLUMDECK_SKIP_FUZZ=1 the fuzz targets (both for a quick local run).
fuzz=0
[ -n "$(ls fuzz/fuzz_*.cpp 2>/dev/null)" ] && [ "${PLUMDECK_SKIP_FUZZ:-}" != 1 ] && fuzz=1
sanitize=0
[ "${PLUMDECK_SKIP_SANITIZE:-}" != 1 ] && sanitize=1
# Everything the later stages need too, installed before the long build.
PLUMDECK_FUZZ=$(( fuzz || sanitize )) scripts/deps.sh
scripts/build.sh
build="${PLUMDECK_BUILD_DIR:-build}"
jobs=$(( $(nproc) < 4 ? 4 : $(nproc) ))
ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@"
if [ "$sanitize" = 1 ]; then
    scripts/sanitize.sh "$@"
fi
if [ "$fuzz" = 1 ]; then
    scripts/fuzz.sh
fi
