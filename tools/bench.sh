#!/bin/sh
# Runs the benchmarks: the native core, then the program under Wine against bare calls, in one table.
set -eu
cd "$(dirname "$0")/.."
dir=build/wine-bench
trap 'sh tools/wine-env.sh stop "$dir"' EXIT INT TERM
echo "Native core..." >&2
native=$(build/linux/tests/orvanel_native_bench)
echo "Under Wine (a few minutes)..." >&2
sh tools/wine-env.sh start "$dir"
wine=$(sh tools/wine-run.sh "$dir" build/windows/tests/orvanel_bench.exe \
  build/windows/orvanel.exe build/windows/tests/orvanel_bare.exe | tr -d '\r')
cpu=$(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')
printf '\nMachine: %s, %s cores; %s; %s\n\n' "$cpu" "$(nproc)" \
  "$(. /etc/os-release && echo "$PRETTY_NAME")" "$(wine --version 2>/dev/null)"
echo "| Measure | Orvanel | Reference | Ratio | Unit | Goal |"
echo "|---|---:|---:|---:|---|---|"
printf '%s\n%s\n' "$native" "$wine" | grep '^|'
printf '\n%s\n' "$(printf '%s\n' "$wine" | grep '^DLLs')"
