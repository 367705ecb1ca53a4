#!/usr/bin/env bash
# Installs what Vellumtide needs to build, run and test on Debian 12 (run as root or with sudo),
# the cross compiler and Wine for the Windows program and the tools that make and check the packages
# users install included.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-private-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins
  libespeak-ng-dev espeak-ng-data libpulse-dev libcurl4-openssl-dev
  fonts-dejavu-core fonts-liberation2 fonts-comic-neue
  libgtest-dev libgmock-dev clang libclang-rt-14-dev
  pulseaudio pulseaudio-utils xvfb xdotool imagemagick x11-utils libx11-dev python3
  openbox dbus at-spi2-core python3-pyatspi
  g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev googletest librsvg2-bin wine wine64
  fonts-wine fonts-liberation libxrender1 libxrandr2 openssl
  zlib1g-dev libz-mingw-w64-dev pandoc
  dpkg-dev file lintian appstream desktop-file-utils nsis
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
