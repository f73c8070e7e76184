#!/bin/sh
# Runs a Windows program under the tests' Wine environment:
#   wine-run.sh DIR PROGRAM [ARGUMENTS...]
# The program's output goes through a file: Wine's desktop process, which the
# first window starts, inherits whatever the program writes to and outlives
# it by a second or so, and a test runner waits for every writer of its pipe.
set -eu
dir=$1
shift
if [ ! -f "$dir/env" ]; then
  echo "no Wine environment in $dir: run wine-env.sh start first" >&2
  exit 1
fi
. "$dir/env"
output=$(mktemp)
trap 'rm -f "$output"' EXIT
status=0
wine "$@" >"$output" 2>&1 </dev/null || status=$?
cat "$output"
exit $status
