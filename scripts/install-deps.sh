#!/usr/bin/env bash
# Installs the Debian packages a command needs; does nothing when all are present.
#   install-deps.sh run    what the run command needs: build the demo data and the editor, run it
#   install-deps.sh test   all of the above, plus what the builds and tests need (the default)
#
# A package mirror may be having a bad day: the index update is retried and may fail for some
# lists (a stale index of one architecture); an install that cannot be resolved then is retried
# with the release's base versions, which every architecture's index agrees on.
set -euo pipefail

run_packages=(
  cmake ninja-build g++
  g++-mingw-w64-i686-posix
  wine wine32:i386 fonts-wine
  xvfb xauth x11-utils
  imagemagick netpbm
)
test_packages=(
  pkg-config
  googletest libbenchmark-dev
  mscompress
  clang libclang-rt-14-dev
  libbz2-dev bzip2 lbzip2 pbzip2 zlib1g-dev libssl-dev
)

case "${1:-test}" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *) echo "usage: install-deps.sh [run|test]" >&2; exit 2 ;;
esac

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

log=$(mktemp)
trap 'rm -f "$log"' EXIT
apt_get=${KVR_APT_GET:-apt-get}   # a stand-in can be named here to try the failure paths

# The update: up to three tries. A run in which only some lists failed still leaves usable
# indexes (old ones or the others), so the install goes on and tells.
updated=0
for try in 1 2 3; do
  if "$apt_get" update -qq >"$log" 2>&1; then updated=1; break; fi
  echo "package index update failed (try $try of 3)"
  grep -E '^(E|W):' "$log" | head -n 5 || true
  [ "$try" -lt 3 ] && sleep "${KVR_APT_RETRY_SECONDS:-5}"
done
[ "$updated" -eq 1 ] || echo "going on with the package indexes that are there"

install() {
  "$apt_get" install -y -qq --no-install-recommends "$@" "${missing[@]}" >"$log" 2>&1
}
if install; then exit 0; fi

codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
if [ -n "$codename" ]; then
  echo "install failed; trying again with the base versions of $codename"
  grep -E '^(E|W):' "$log" | head -n 5 || true
  if install -t "$codename"; then exit 0; fi
fi
echo "error: the packages could not be installed; apt-get said:" >&2
cat "$log" >&2
exit 1
