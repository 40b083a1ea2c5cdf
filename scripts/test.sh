#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once in a normal
# build and once under AddressSanitizer and UndefinedBehaviorSanitizer; the
# core and command-line tests (parallel conversion and downloads among them)
# also under ThreadSanitizer; then
# makes the Debian package in a Release build and checks it and the
# installation; then runs every fuzz target for 30 seconds. Compiler warnings
# are errors in the test builds.
set -euo pipefail
cd "$(dirname "$0")/.."
CMAKE_OPTIONS="-DQUILLON_WERROR=ON -DQUILLON_BENCH=ON" bash scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j 2

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILLON_SANITIZE=ON -DQUILLON_BENCH=OFF \
  -DQUILLON_WERROR=ON > /dev/null
cmake --build build-asan -j "$(nproc)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j 2

# ThreadSanitizer: the core and command-line tests. Qt is not built with it,
# so the window's own tests stay out and reports from inside Qt are
# suppressed (tests/tsan.supp).
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLON_TSAN=ON -DQUILLON_BENCH=OFF \
  -DQUILLON_WERROR=ON > /dev/null
cmake --build build-tsan -j "$(nproc)" --target core_tests cli_tests quillon quillon-window
TSAN_OPTIONS="halt_on_error=1:suppressions=$PWD/tests/tsan.supp" \
  ctest --test-dir build-tsan --output-on-failure -j 2 -E '^(main_form|chart_window)$'

# The Release build, the .deb and the checks of what gets installed.
bash scripts/package.sh

# Every fuzz target for 30 seconds (clang 14, build-fuzz/), from a fixed seed.
FUZZ_SEED=1 bash fuzz/run.sh 30
