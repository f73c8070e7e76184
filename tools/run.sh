#!/bin/sh
# Starts the program under Wine against Wine's own WMI and wuauserv service.
# Without a display: under Xvfb, a screenshot to build/orvanel.png, then closed.
set -eu
cd "$(dirname "$0")/.."
program=build/windows/orvanel.exe
watch=build/windows/tools/orvanel_watch.exe
dir=build/wine-run

headless=yes
[ -z "${DISPLAY:-}" ] || headless=no
if [ $headless = no ]; then
  sh tools/wine-env.sh start "$dir" --display
else
  sh tools/wine-env.sh start "$dir"
fi
trap 'sh tools/wine-env.sh stop "$dir"' EXIT INT TERM
. "$dir/env"

if [ $headless = no ]; then
  echo "Starting $program on $DISPLAY"
  wine "$program"
  exit 0
fi

wine "$program" &
program_pid=$!
status=$(wine "$watch" wait | tr -d '\r')
echo "$status"
window=$(xdotool search --onlyvisible --pid "$program_pid" | head -n 1)
import -window "$window" build/orvanel.png
wine "$watch" close
wait "$program_pid"
echo "Screenshot: $(pwd)/build/orvanel.png"
