#!/usr/bin/env bash
# Builds the program and makes its Debian package, out/waybill_<version>_<arch>.deb.
# Install it with:  sudo apt install ./out/waybill_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/build.sh
mkdir -p out
cpack --config build/CPackConfig.cmake -B out/package
mv -f out/package/waybill_*.deb out/
ls -1 out/waybill_*.deb
