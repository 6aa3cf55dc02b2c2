#!/usr/bin/env bash
# Runs one Windows program under Wine inside the private test environment.
# Under CTest the environment is already up (VT_TESTENV_DIR); run by hand, this
# script brings up an environment of its own and ends it afterwards.
set -u
here=$(cd "$(dirname "$0")" && pwd)
own=""
if [ -z "${VT_TESTENV_DIR:-}" ] || [ ! -f "$VT_TESTENV_DIR/env.sh" ]; then
  own=${VT_TESTENV_DIR:-$here/../build/testenv-manual}
  "$here/test-env.sh" start "$own" >&2 || exit 1
  VT_TESTENV_DIR=$own
fi
. "$VT_TESTENV_DIR/env.sh"
/usr/lib/wine/wine64 "$@"
rc=$?
[ -n "$own" ] && "$here/test-env.sh" stop "$own"
exit $rc
