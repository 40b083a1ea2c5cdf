#!/usr/bin/env bash
# Installs what is missing, builds and starts Quillon. Arguments go to quillon.
# Builds the program and the pages beside it only; scripts/test.sh builds the
# tests and benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh quillon pages
exec build/quillon "$@"
