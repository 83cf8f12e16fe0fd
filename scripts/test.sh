#!/usr/bin/env bash
# The test command: installs what is missing, builds the three builds (native, sanitize,
# win32) and runs every suite: native unit tests, the same under ASan + UBSan, short fuzz
# runs, and the Windows tests under Wine in a virtual display. Ends with one line
# "N passed, N failed".
#   KVR_FUZZ_SECONDS  seconds per fuzz target (default 30)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$root"

bash scripts/install-deps.sh || { echo "dependency installation failed"; echo "0 passed, 1 failed"; exit 1; }
mkdir -p build/logs
passed=0; failed=0

# count_ctest LOG: adds the counts of one ctest run's summary line.
count_ctest() {
  local line total bad
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  if [ -z "$line" ]; then
    if grep -q 'No tests were found' "$1"; then echo "  no tests"; return; fi
    echo "  no test summary in $1"; failed=$((failed + 1)); return
  fi
  bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + total - bad)); failed=$((failed + bad))
  echo "  $line"
}

for preset in native sanitize win32; do
  echo "== build $preset"
  if ! configure_and_build "$preset" "build/logs/build-$preset.log"; then
    tail -n 40 "build/logs/build-$preset.log"
    echo "build $preset failed"; failed=$((failed + 1))
  fi
done

echo "== native unit tests"
ctest --test-dir build/native -j2 --output-on-failure --timeout 300 >build/logs/ctest-native.log 2>&1
grep -E '\*\*\*|^\s+[0-9]+ - .*\(' build/logs/ctest-native.log | grep -v Disabled | head -n 40
count_ctest build/logs/ctest-native.log

echo "== unit tests under ASan + UBSan"
ctest --test-dir build/sanitize -j2 --output-on-failure --timeout 600 >build/logs/ctest-sanitize.log 2>&1
grep -E '\*\*\*|^\s+[0-9]+ - .*\(' build/logs/ctest-sanitize.log | grep -v Disabled | head -n 40
count_ctest build/logs/ctest-sanitize.log

echo "== fuzz targets, ${KVR_FUZZ_SECONDS:-30} s each"
if [ -f build/sanitize/fuzz-targets.txt ]; then
  while read -r target; do
    [ -n "$target" ] || continue
    corpus=build/sanitize/fuzz-corpus/$target; mkdir -p "$corpus"
    seeds=tests/fuzz/corpus/$target; [ -d "$seeds" ] || seeds=
    if build/sanitize/fuzz/$target -max_total_time="${KVR_FUZZ_SECONDS:-30}" -rss_limit_mb=2048 \
         -print_final_stats=0 "$corpus" $seeds >"build/logs/fuzz-$target.log" 2>&1; then
      echo "  $target: ok ($(grep -Eo '^#[0-9]+' "build/logs/fuzz-$target.log" | tail -n 1 | tr -d '#') inputs)"
      passed=$((passed + 1))
    else
      echo "  $target: FAILED (build/logs/fuzz-$target.log)"; tail -n 30 "build/logs/fuzz-$target.log"
      failed=$((failed + 1))
    fi
  done < build/sanitize/fuzz-targets.txt
fi

echo "== Windows tests under Wine"
xvfb-run -a -s "$xvfb_screen" scripts/wine-session.sh "$root/build/win32/wineprefix" \
  ctest --test-dir build/win32 -j2 --output-on-failure --timeout 600 >build/logs/ctest-win32.log 2>&1
grep -E '\*\*\*|^\s+[0-9]+ - .*\(' build/logs/ctest-win32.log | grep -v Disabled | head -n 40
count_ctest build/logs/ctest-win32.log

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
