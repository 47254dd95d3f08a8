#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
build="${PLUMDECK_BUILD_DIR:-build}"
if [ -x "$build/src/Plumdeck" ]; then
    exec "$build/src/Plumdeck" "$@"
fi
echo "Built. The program's window comes with the main window, which is not built yet."
