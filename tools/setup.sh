#!/usr/bin/env bash
# Installs every package the build, the tests and the program need on a fresh
# Debian 12 (or Ubuntu) machine. Safe to run again; it installs only what is
# missing.
set -euo pipefail

packages=(
  cmake ninja-build make g++ git python3
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  googletest
  wine wine64 fonts-wine fonts-ipafont-gothic
  xvfb xauth x11-apps imagemagick
  socat iproute2
  nsis wixl osslsigncode openssl
  clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
