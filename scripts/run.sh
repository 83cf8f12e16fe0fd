#!/usr/bin/env bash
# The run command: installs what is missing, builds, and starts the editor under Wine on the
# demo data (tile 0 of the demo KVR_ZPL.DAT with its markers). With no display it runs in a
# virtual one, saves a screenshot of the window, prints its path and ends.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$root"

bash scripts/install-deps.sh
mkdir -p build/logs
build() {
  echo "building $1 ..."
  configure_and_build "$@" || { tail -n 40 "$2"; echo "build $1 failed" >&2; exit 1; }
}
build native build/logs/run-native.log demo_data
build win32 build/logs/run-win32.log KVR_ZPL

# A working copy, so edits made by hand never touch the generated demo data.
stage=build/run
mkdir -p "$stage"
cp build/win32/editor/ui/KVR_ZPL.exe "$stage/"
cp build/native/demo/KVR_ZPL.DAT "$stage/KVR_ZPL.DAT"
printf '"%s"\r\n' "$(wine_path build/native/demo/tiles)" >"$stage/pcxdir.txt"
prefix=$root/build/win32/wineprefix

if [ -n "${DISPLAY:-}" ] && xwininfo -root >/dev/null 2>&1; then
  cd "$stage"
  exec "$root/scripts/wine-session.sh" "$prefix" wine KVR_ZPL.exe KVR_ZPL.DAT
fi

shot=$root/build/run/screenshot.png
rm -f "$shot"
cat >"$stage/screenshot.sh" <<'EOS'
#!/usr/bin/env bash
# Inside the virtual display: start the editor, wait for its window, photograph the screen.
cd "$(dirname "$0")"
wine KVR_ZPL.exe KVR_ZPL.DAT >/dev/null 2>&1 &
for _ in $(seq 1 150); do
  xwininfo -root -tree 2>/dev/null | grep -q '"KVR Default Object Editor"' && break
  sleep 0.2
done
sleep 1.5
import -window "KVR Default Object Editor" "$1" 2>/dev/null || import -window root "$1"
EOS
chmod +x "$stage/screenshot.sh"
xvfb-run -a -s "$xvfb_screen" "$root/scripts/wine-session.sh" "$prefix" "$stage/screenshot.sh" "$shot"
if [ -f "$shot" ]; then
  echo "No display: the editor ran in a virtual one. Screenshot: $shot"
else
  echo "the screenshot was not taken" >&2; exit 1
fi
