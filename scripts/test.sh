#!/usr/bin/env bash
# Sets up the machine, builds and runs every test through CTest (offscreen), then runs the lower
# layers' suites under the sanitizers and the fuzzers (scripts/sanitize.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
bash scripts/build.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
cd "$root"
bash scripts/sanitize.sh
