#!/bin/sh
# Runs a Windows program under the tests' Wine at another display resolution, then sets it back:
#   wine-with-dpi.sh DIR DPI PROGRAM [ARGUMENTS...]
set -u
dir=$1
dpi=$2
shift 2
. "$dir/env"
key='HKCU\Control Panel\Desktop'
wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
sh "$(dirname "$0")/wine-run.sh" "$dir" "$@"
status=$?
wine reg delete "$key" /v LogPixels /f >/dev/null 2>&1
exit $status
