#!/bin/sh
# Runs a Windows program under the tests' Wine environment:
#   run.sh DIR PROGRAM [ARGUMENTS...]
set -eu
dir=$1
shift
if [ ! -f "$dir/env" ]; then
  echo "no Wine environment in $dir: run wine-env.sh start first" >&2
  exit 1
fi
. "$dir/env"
exec wine "$@"
