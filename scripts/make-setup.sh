#!/usr/bin/env bash
# Makes a setup file from a folder in one command: packs every file below FOLDER (which
# must hold the setup program Setup.bin) and appends the package to the setup loader
# bootstrap.exe at the loader's length, 90,624 bytes.
#   usage: scripts/make-setup.sh [--loader FILE] [--kvrpack FILE] [--level 1-9] [--quiet] FOLDER OUTPUT
# Without --loader / --kvrpack, bootstrap.exe (win32 build) and kvrpack (native build) are
# taken from build/win32 and build/native, and built there first when missing.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

readonly loader_length=90624
loader="" kvrpack="" pack_options=()

usage() {
  sed -n '2,7p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
  exit "${1:-2}"
}

# build_target PRESET TARGET: configures the preset's build folder once, then builds TARGET.
build_target() {
  local dir="$root/build/$1"
  if [ ! -f "$dir/build.ninja" ]; then
    cmake --preset "$1" -S "$root" >/dev/null || { echo "make-setup: configuring $1 failed" >&2; exit 1; }
  fi
  cmake --build "$dir" --target "$2" >/dev/null || { echo "make-setup: building $2 failed" >&2; exit 1; }
}

while [ $# -gt 0 ]; do
  case "$1" in
    --loader) loader=${2:?}; shift 2 ;;
    --kvrpack) kvrpack=${2:?}; shift 2 ;;
    --level) pack_options+=(--level "${2:?}"); shift 2 ;;
    --quiet) pack_options+=(--quiet); shift ;;
    -h|--help) usage 0 ;;
    -*) echo "make-setup: unknown option $1" >&2; usage ;;
    *) break ;;
  esac
done
[ $# -eq 2 ] || usage
folder=$1 output=$2

[ -d "$folder" ] || { echo "make-setup: $folder is not a folder" >&2; exit 1; }
[ -f "$folder/Setup.bin" ] || { echo "make-setup: $folder has no Setup.bin, the program the loader starts" >&2; exit 1; }
if [ -z "$kvrpack" ]; then
  kvrpack="$root/build/native/tools/kvrpack/kvrpack"
  [ -x "$kvrpack" ] || build_target native kvrpack
fi
if [ -z "$loader" ]; then
  loader="$root/build/win32/setup_loader/bootstrap.exe"
  [ -f "$loader" ] || build_target win32 bootstrap
fi
size=$(stat -c %s "$loader")
[ "$size" -eq "$loader_length" ] || {
  echo "make-setup: $loader is $size bytes; a loader is $loader_length bytes long" >&2; exit 1; }

package=$(mktemp "${TMPDIR:-/tmp}/make-setup.XXXXXX")
trap 'rm -f "$package"' EXIT
"$kvrpack" pack "${pack_options[@]}" "$package" "$folder"
"$kvrpack" setup --offset "$loader_length" "$loader" "$package" "$output"
echo "make-setup: $output, $(stat -c %s "$output") bytes ($(stat -c %s "$package") bytes of package)"
