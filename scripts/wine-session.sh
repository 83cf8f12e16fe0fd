#!/usr/bin/env bash
# Runs a command inside one Wine session: a prefix of the project's own (made on demand
# under the build folder), one persistent wineserver for the whole command, stopped at the
# end. Must itself run inside a display (xvfb-run); the prefix has to be made there.
#   usage: wine-session.sh PREFIX_DIR COMMAND [ARGS...]
set -u
prefix=$1; shift
export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -f "$WINEPREFIX/.kvr-ready" ]; then
  echo "creating Wine prefix in $WINEPREFIX" >&2
  rm -rf "$WINEPREFIX"; mkdir -p "$WINEPREFIX"
  wineserver -p
  wineboot -i >/dev/null 2>&1
  # Without a window manager every closed top-level window waits about 2 s unless unmanaged.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  # A crashing test must end, not wait on a crash dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  # This Wine build does not read its own font folder: copy the bitmap faces in.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp -n /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
  wineserver -k; wineserver -w
  touch "$WINEPREFIX/.kvr-ready"
fi

wineserver -p
"$@"
rc=$?
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
exit $rc
