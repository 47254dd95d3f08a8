#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing.
set -euo pipefail
packages=(cmake ninja-build g++ lld ccache zlib1g-dev libgl-dev libxss-dev
          qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-tools-dev qt6-l10n-tools
          qt6-webengine-dev qt6-pdf-dev
          libbenchmark-dev openssl
          xvfb xdotool trayer python3-pyatspi at-spi2-core dbus imagemagick)
# The sanitizer build and the fuzz targets: clang, its runtimes, and the
# symbolizer that gives a finding's stack its file names and lines.
[ "${PLUMDECK_FUZZ:-}" = 1 ] && packages+=(clang libclang-rt-dev llvm)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "Missing packages: ${missing[*]}; install them as root (sudo is not installed)." >&2
            exit 1
        fi
        sudo="sudo"
    fi
    echo "Installing: ${missing[*]}"
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
