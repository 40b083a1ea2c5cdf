#!/usr/bin/env bash
# Installs the Debian packages Quillon needs to build and test (only those missing).
set -euo pipefail
PKGS=(g++ cmake make pkg-config qt6-base-dev libqt6opengl6-dev qt6-charts-dev
      libcurl4-openssl-dev libcpp-httplib-dev libsqlite3-dev libzip-dev libxxhash-dev
      libgtest-dev libgmock-dev xvfb xauth fonts-dejavu-core mawk sqlite3 curl nghttp2-server openssl
      clang-14 libclang-rt-14-dev
      help2man dpkg-dev file desktop-file-utils appstream man-db lintian systemd tzdata)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
