#!/usr/bin/env bash
# Builds the platform, script and report layers and their suites with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/ and runs those suites; with clang it also builds every
# fuzz target in the same folder and runs each over its committed seeds for WAYBILL_FUZZ_RUNS
# inputs from the fixed seed WAYBILL_FUZZ_SEED, the same on every machine (tests/fuzz; the long
# random hunts are the targets fuzz_hunt_<name>, see README).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# -O1 is what the sanitizers are made for (faster to build than -O2, hardly slower to run); line
# tables are enough for the file and line of every frame in a report.
cxx=g++
flags="-O1 -g1"
if command -v clang++ >/dev/null 2>&1; then
    cxx=clang++
    flags="-O1 -gline-tables-only"
fi
if [ ! -f build-asan/build.ninja ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWAYBILL_SANITIZE=ON \
        -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$flags -DNDEBUG"
fi
cmake --build build-asan -j "$(nproc)" --target waybill_sanitized
cd build-asan
# Leaks of the toolkit's process-wide caches at exit are no findings of ours.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" -R '^(platform|script|report|fuzz)/'
