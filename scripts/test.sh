#!/usr/bin/env bash
# Sets up the machine, builds and runs every test through CTest (offscreen), then runs the lower
# layers' suites under the sanitizers and the fuzzers (scripts/sanitize.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# Each phase says how long it took, so a slow step on a new machine shows where the time went.
phase() {
    local name=$1 start=$SECONDS
    shift
    "$@"
    echo "== $name took $((SECONDS - start)) s"
}
phase setup bash scripts/setup.sh
phase build bash scripts/build.sh
suites() { cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"; }
phase suites suites
cd "$root"
phase sanitizers bash scripts/sanitize.sh
echo "== test command took $SECONDS s"
