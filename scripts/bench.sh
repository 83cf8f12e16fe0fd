#!/usr/bin/env bash
# Runs every benchmark of the native build; each prints its ratios against a reference
# measured in the same run. Benchmarks are not tests: nothing here fails on a time.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$root"
bash scripts/install-deps.sh
mkdir -p build/logs
configure_and_build native build/logs/build-native.log || { tail -n 40 build/logs/build-native.log; exit 1; }
while read -r name; do
  [ -n "$name" ] || continue
  echo "== $name"
  "$(find build/native -name "$name" -type f -executable | head -n 1)" --benchmark_color=false
done < build/native/benchmarks.txt
