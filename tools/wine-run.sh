#!/bin/sh
# Runs a Windows program under the tests' Wine environment, at the display
# resolution ORVANEL_WINE_DPI gives if it gives one (Wine reads it as a
# program starts), set back afterwards:
#   wine-run.sh DIR PROGRAM [ARGUMENTS...]
# The program's output goes through a file: Wine's desktop process, which the
# first window starts, inherits whatever the program writes to and outlives
# it by a second or so, and a test runner waits for every writer of its pipe.
# Wine's own error lines are kept apart and shown only when the program
# printed nothing, so that a start that fails before the program runs says
# why instead of failing blank.
set -eu
dir=$1
shift
if [ ! -f "$dir/env" ]; then
  echo "no Wine environment in $dir: run wine-env.sh start first" >&2
  exit 1
fi
. "$dir/env"
output=$(mktemp)
errors=$(mktemp)
trap 'rm -f "$output" "$errors"' EXIT
key='HKCU\Control Panel\Desktop'
[ -z "${ORVANEL_WINE_DPI:-}" ] ||
  wine reg add "$key" /v LogPixels /t REG_DWORD /d "$ORVANEL_WINE_DPI" /f >/dev/null 2>&1
status=0
WINEDEBUG=-all,err+all wine "$@" >"$output" 2>"$errors" </dev/null || status=$?
[ -z "${ORVANEL_WINE_DPI:-}" ] || wine reg delete "$key" /v LogPixels /f >/dev/null 2>&1
# Wine's debug lines start with a thread id and a class; its loader's with
# "wine:". Everything else on the error stream is the program's.
wine_lines='^([0-9a-f]{4}:)?(err|fixme|warn|trace):|^wine: '
cat "$output"
grep -Ev "$wine_lines" "$errors" >&2 || true
if [ ! -s "$output" ] && ! grep -Evq "$wine_lines" "$errors"; then
  echo "wine-run.sh: $1 printed nothing and exited with status $status; Wine said:" >&2
  if grep -Eq "$wine_lines" "$errors"; then
    grep -E "$wine_lines" "$errors" >&2
  else
    echo "(nothing)" >&2
  fi
fi
exit $status
