#!/usr/bin/env bash
# Runs one Windows program under Wine for ctest. Wine's background processes would
# inherit ctest's pipes and keep it waiting, so every inherited descriptor above 2 is
# closed and the program's output goes through a temp file.
for fd in /proc/$$/fd/*; do
  n=${fd##*/}
  [ "$n" -gt 2 ] 2>/dev/null && eval "exec $n>&-" 2>/dev/null
done
export WINEDEBUG=${WINEDEBUG:--all}
out=$(mktemp)
wine "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
