#!/usr/bin/env bash
# Installs what is missing, builds the program alone (not the tests or
# benchmarks), and starts it (arguments go to the program, for example
# -multiple or -log http).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh plumdeck-bin
build="${PLUMDECK_BUILD_DIR:-build}"
exec "$build/src/Plumdeck" "$@"
