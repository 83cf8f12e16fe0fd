#!/usr/bin/env bash
# Makes the real packages of the loader's Wine tests with the host package tool.
#   usage: make_test_packages.sh KVRPACK PROBE LOADER OUTDIR
# OUTDIR gets the source folders basic/, nosetup/ and large/ (files dated 2004-05-06),
# their packages basic.lib, nosetup.lib and large.lib, and basic_setup.exe, made from
# basic/ by the one-command script scripts/make-setup.sh.
set -euo pipefail
kvrpack=$1 probe=$2 loader=$3 out=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
stamp="2004-05-06 07:08:10"

rm -rf "$out"
mkdir -p "$out/basic/sub folder/deeper" "$out/nosetup" "$out/large"

cp "$probe" "$out/basic/Setup.bin"
printf 'Read me first.\r\nThen run the setup.\r\n' >"$out/basic/readme.txt"
head -c 300000 /dev/urandom >"$out/basic/data.bin"
: >"$out/basic/empty.txt"
printf 'spaces in the name\n' >"$out/basic/name with spaces.txt"
printf 'one level down\n' >"$out/basic/sub folder/nested.txt"
printf 'two levels down\n' >"$out/basic/sub folder/deeper/nested.txt"
printf '.hidden\n' >"$out/basic/.dotfile"

cp "$out/basic/readme.txt" "$out/nosetup/"

cp "$probe" "$out/large/Setup.bin"
head -c $((20 * 1024 * 1024)) /dev/urandom >"$out/large/big.bin"

find "$out" -type f -exec touch -d "$stamp" {} +

"$kvrpack" pack --quiet "$out/basic.lib" "$out/basic"
"$kvrpack" pack --quiet "$out/nosetup.lib" "$out/nosetup"
"$kvrpack" pack --quiet "$out/large.lib" "$out/large"
"$here/../../scripts/make-setup.sh" --quiet --loader "$loader" --kvrpack "$kvrpack" "$out/basic" "$out/basic_setup.exe" >/dev/null
