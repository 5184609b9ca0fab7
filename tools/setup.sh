#!/usr/bin/env bash
# Installs every Debian package that building, testing, benchmarking and the demo need.
# Idempotent: when everything is there it only runs dpkg-query and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-multimedia-dev
  qt6-qpa-plugins qt6-translations-l10n libqt6network6 libgl-dev libqt6sql6-sqlite libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev libmodbus-dev
  fonts-dseg fonts-dejavu-core
  xvfb xauth x11-utils imagemagick
  clang-format ccache lintian poppler-utils
  clang libclang-rt-14-dev
  libasio-dev redis-server libsodium-dev libssl-dev openssl
  python3-pymodbus python3-serial-asyncio
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
