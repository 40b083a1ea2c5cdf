#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a normal
# build and once under AddressSanitizer and UndefinedBehaviorSanitizer, then
# every fuzz target for 30 seconds. Compiler warnings are errors in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
CMAKE_OPTIONS="-DQUILLON_WERROR=ON" bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j 2

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON -DQUILLON_BENCH=OFF \
  -DQUILLON_WERROR=ON > /dev/null
cmake --build build-asan -j "$(nproc)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j 2

# Every fuzz target for 30 seconds (clang 14, build-fuzz/), from a fixed seed.
FUZZ_SEED=1 bash fuzz/run.sh 30
