#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need;
# with the argument "windows", those that cross-building for Windows and
# testing under Wine need. Does nothing when everything is present already;
# needs root otherwise.
set -euo pipefail

windows_packages=(
  cmake make
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64
  googletest libcli11-dev zip
)

packages=(
  build-essential cmake pkg-config make
  qt6-base-dev libgl-dev
  libftdi1-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  umockdev libumockdev-dev
  clang clang-format
  xvfb xauth x11-utils imagemagick fonts-dejavu-core xdotool
  dbus at-spi2-core python3-pyatspi
  dpkg-dev file lintian desktop-file-utils appstream
)

if [ "${1:-}" = windows ]; then
  packages=("${windows_packages[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
