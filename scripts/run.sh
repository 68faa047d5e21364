#!/usr/bin/env bash
# Sets up the machine, builds, lays out the program folder out/waybill (the program with config/,
# template/ and the demo orders beside it) and starts the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh
rm -rf out/waybill
cmake --install build --prefix out/waybill --component folder >/dev/null
echo "run: program folder is $root/out/waybill"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat <<MSG
run: there is no display here (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window cannot open.
run: the headless front end works without one, for example:
    $root/out/waybill/waybill-cli orders $root/out/waybill/orders/demo-orders.csv
    $root/out/waybill/waybill-cli templates
    $root/out/waybill/waybill-cli print --orders $root/out/waybill/orders/demo-orders.csv --template 0 --pdf /tmp/waybills.pdf
    $root/out/waybill/waybill-cli preview --orders $root/out/waybill/orders/demo-orders.csv --template 0 --png /tmp/preview.png
run: or start the window on a virtual display:  xvfb-run -a $root/out/waybill/waybill
MSG
    exit 0
fi
if [ $# -eq 0 ]; then set -- out/waybill/orders/demo-orders.csv; fi
exec out/waybill/waybill "$@"
