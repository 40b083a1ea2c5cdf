#!/usr/bin/env bash
# Builds Quillon into build/ (installs missing packages first).
#   scripts/build.sh [TARGET]...    the targets named, or everything when none
# CMAKE_OPTIONS adds options to the configure step (scripts/test.sh turns
# warnings into errors with it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# shellcheck disable=SC2086  # CMAKE_OPTIONS is a list of words
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CMAKE_OPTIONS:-} > /dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build -j "$(nproc)" "${targets[@]}"
