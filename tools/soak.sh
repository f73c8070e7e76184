#!/bin/sh
# Soaks the program under Wine with 10,000 refreshes (ORVANEL_SOAK), the service changing at each.
set -eu
cd "$(dirname "$0")/.."
dir=build/wine-soak
trap 'sh tools/wine-env.sh stop "$dir"' EXIT INT TERM
sh tools/wine-env.sh start "$dir"
ORVANEL_SOAK=${ORVANEL_SOAK:-10000} \
  sh tools/wine-run.sh "$dir" build/windows/tests/orvanel_e2e.exe --gtest_filter='Soak.*' \
  build/windows/orvanel.exe build/windows/orvanel-sim.exe
