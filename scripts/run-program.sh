#!/usr/bin/env bash
# Starts the recorder under Wine in the private environment (display, sound, prefix)
# and ends that environment when the program exits. With DISPLAY set and
# VT_USE_DESKTOP=1 it shows on your own display instead of the private one.
set -u
build=${1:-build/win32}
here=$(cd "$(dirname "$0")" && pwd)
envdir=$here/../$build/runenv
"$here/test-env.sh" start "$envdir" || exit 1
trap '"$here/test-env.sh" stop "$envdir"' EXIT
. "$envdir/env.sh"
[ "${VT_USE_DESKTOP:-0}" = 1 ] && [ -n "${VT_OUTER_DISPLAY:-}" ] && export DISPLAY=$VT_OUTER_DISPLAY
echo "Vocatrack is running on display $DISPLAY (screenshot: DISPLAY=$DISPLAY import -window root shot.png)"
/usr/lib/wine/wine64 "$here/../$build/app/vocatrack.exe" "${@:2}"
