#!/usr/bin/env bash
# Installs the Debian packages the waybill printer needs to build, run and test.
# libqt6sql6-sqlite is the SQLite driver of Qt SQL (whose headers come with qt6-base-dev), for the
# print journal. libzint encodes barcodes; zbar-tools (zbarimg) and libzxing-dev decode them in the tests.
# dpkg-dev (dpkg-shlibdeps) and file are what CPack needs to make the Debian package.
# Only packages that are missing are installed; running it twice costs nothing.
set -euo pipefail

# The fonts are exactly those the font table names (its Package= lines): text is drawn with them
# and with no others.
root=$(cd "$(dirname "$0")/.." && pwd)
mapfile -t font_packages < <(sed -n 's/^Package[[:space:]]*=[[:space:]]*\([^[:space:]]*\).*/\1/p' \
    "$root/data/config/fonts.ini" | sort -u)

packages=(
    build-essential cmake ninja-build ccache lld pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6svg6 libqt6sql6-sqlite
    libgl-dev
    "${font_packages[@]}"
    xvfb xauth
    cups cups-client cups-bsd libcups2-dev
    poppler-utils
    libzint-dev
    zbar-tools libzxing-dev
    clang libclang-rt-14-dev
    dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: every package is installed"
    exit 0
fi

echo "setup: installing ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
