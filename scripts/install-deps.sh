#!/usr/bin/env bash
# Installs every Debian package the build and the tests need; does nothing when all are present.
set -euo pipefail

packages=(
  cmake ninja-build pkg-config
  g++-mingw-w64-i686-posix
  googletest libbenchmark-dev
  wine wine32:i386 fonts-wine
  xvfb xauth x11-utils
  mscompress imagemagick netpbm
  clang libclang-rt-14-dev
  libbz2-dev bzip2 lbzip2 pbzip2 zlib1g-dev libssl-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "error: missing packages and not root; run as root or install: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
