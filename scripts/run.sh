#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program (arguments go to
# the program, for example -multiple or -log http).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
build="${PLUMDECK_BUILD_DIR:-build}"
exec "$build/src/Plumdeck" "$@"
