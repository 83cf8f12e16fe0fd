#!/usr/bin/env bash
# Times the editor under Wine on the demo data: a tile choice (from the list's selection to
# the last marker placed, and with the repaint) and Load_File of the demo KVR_ZPL.DAT.
# Not a test. Builds what it needs first.
#   KVR_WIN32_BUILD  the win32 build folder (default build/win32)
#   KVR_DEMO_DIR     the demo data folder (default build/native/demo)
#   KVR_ROUNDS       rounds over the 59 tiles (default 3)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$root"

win32=${KVR_WIN32_BUILD:-build/win32}
demo=${KVR_DEMO_DIR:-build/native/demo}
[ -f "$demo/KVR_ZPL.DAT" ] || { echo "no demo data in $demo (build the native tree first)" >&2; exit 1; }
cmake --build "$win32" -j2 --target editor_timing >/dev/null
exe=$root/$win32/tests/ui/editor_timing.exe
to_wine() { local p; p=$(cd "$1" && pwd); echo "Z:${p//\//\\}"; }

xvfb-run -a -s "$xvfb_screen" scripts/wine-session.sh "$root/$win32/wineprefix" \
  wine "$exe" "$(to_wine "$demo")\\KVR_ZPL.DAT" "$(to_wine "$demo/tiles")" "${KVR_ROUNDS:-3}" 2>/dev/null
