#!/usr/bin/env bash
# Runs one Windows program in a throw-away copy of the test environment's Wine prefix,
# on the environment's display and sound server, with winemenubuilder disabled so
# that no shortcut or file association reaches the Linux desktop. The copy's own
# Wine server is ended and the copy removed afterwards.
#   [VT_LOGPIXELS=DPI] fresh-prefix-run.sh PROGRAM [ARGS...]
set -u
[ -n "${VT_TESTENV_DIR:-}" ] && [ -f "$VT_TESTENV_DIR/env.sh" ] || { echo "no test environment" >&2; exit 2; }
. "$VT_TESTENV_DIR/env.sh"
base_prefix=$WINEPREFIX
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vt-prefix.XXXXXX") || exit 2
cleanup() {
  WINEPREFIX="$scratch/prefix" /usr/lib/wine/wineserver64 -k 2>/dev/null
  WINEPREFIX="$scratch/prefix" /usr/lib/wine/wineserver64 -w 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
cp -a "$base_prefix" "$scratch/prefix" || exit 2
export WINEPREFIX="$scratch/prefix"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-};winemenubuilder.exe=d"
# VT_LOGPIXELS: the copy's screen DPI, set in both places Wine has read it from; the
# copy's own Wine server reads it when it starts again.
if [ -n "${VT_LOGPIXELS:-}" ]; then
  for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    /usr/lib/wine/wine64 reg add "$key" /v LogPixels /t REG_DWORD /d "$VT_LOGPIXELS" /f >/dev/null 2>&1 || exit 2
  done
  /usr/lib/wine/wineserver64 -w
fi
/usr/lib/wine/wine64 "$@"
