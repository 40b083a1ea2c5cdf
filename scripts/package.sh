#!/usr/bin/env bash
# Builds Quillon in Release into build-release/, makes the Debian package
# build-release/quillon_<version>_<arch>.deb with cpack and checks it and the
# installation (scripts/check-package.sh). Installs missing packages first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
B=build-release
launcher=()
command -v ccache > /dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# cpack builds nothing itself (no "all" before installing): only what is installed is built.
cmake -S . -B "$B" -DCMAKE_BUILD_TYPE=Release -DQUILLON_BENCH=OFF \
      -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "${launcher[@]}" > /dev/null
cmake --build "$B" --target quillon pages man_page changelog -j "$(nproc)"
rm -f "$B"/quillon_*.deb
(cd "$B" && cpack -G DEB > /dev/null)
ls "$B"/quillon_*.deb
bash scripts/check-package.sh "$B"
