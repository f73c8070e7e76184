#!/bin/sh
# The long soak: 10,000 refreshes of the program under Wine, against a
# simulated service whose state changes at every query (about three
# minutes), or as many as ORVANEL_SOAK says. make test runs 300.
set -eu
cd "$(dirname "$0")/.."
dir=build/wine-soak
trap 'sh tools/wine-env.sh stop "$dir"' EXIT INT TERM
sh tools/wine-env.sh start "$dir"
ORVANEL_SOAK=${ORVANEL_SOAK:-10000} \
  sh tools/wine-run.sh "$dir" build/windows/tests/orvanel_e2e.exe --gtest_filter='Soak.*' \
  build/windows/orvanel.exe build/windows/orvanel-sim.exe
