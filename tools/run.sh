#!/bin/sh
# Starts the program under Wine against Wine's own WMI and wuauserv service.
# Without a display: under Xvfb, a screenshot to build/orvanel.png, then closed.
set -eu
cd "$(dirname "$0")/.."
program=build/windows/orvanel.exe
watch=build/windows/tools/orvanel_watch.exe
dir=build/wine-run

trap 'sh tools/wine-env.sh stop "$dir"' EXIT INT TERM
if [ -n "${DISPLAY:-}" ]; then
  sh tools/wine-env.sh start "$dir" --display
  . "$dir/env"
  echo "Starting $program on $DISPLAY"
  wine "$program"
  exit 0
fi
sh tools/wine-env.sh start "$dir"
. "$dir/env"

wine "$program" &
program_pid=$!
status=$(wine "$watch" wait | tr -d '\r')
echo "$status"
window=$(xdotool search --onlyvisible --pid "$program_pid" | head -n 1)
import -window "$window" build/orvanel.png
wine "$watch" close
wait "$program_pid"
echo "Screenshot: $(pwd)/build/orvanel.png"
