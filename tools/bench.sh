#!/bin/sh
# Runs the benchmarks: the native core, then the program under Wine against bare calls, in one table.
set -eu
cd "$(dirname "$0")/.."
dir=build/wine-bench
rows=$(mktemp)
trap 'sh tools/wine-env.sh stop "$dir"; rm -f "$rows"' EXIT INT TERM

echo "Native core..." >&2
build/linux/tests/orvanel_native_bench >>"$rows"

echo "Under Wine (a few minutes)..." >&2
sh tools/wine-env.sh start "$dir"
sh tools/wine-run.sh "$dir" build/windows/tests/orvanel_bench.exe \
  build/windows/orvanel.exe build/windows/tests/orvanel_bare.exe | tr -d '\r' >>"$rows"

cpu=$(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //')
echo
echo "Machine: $cpu, $(nproc) cores; $(. /etc/os-release && echo "$PRETTY_NAME"); $(wine --version 2>/dev/null)"
echo
echo "| Measure | Orvanel | Reference | Ratio | Unit | Goal |"
echo "|---|---:|---:|---:|---|---|"
grep '^ROW' "$rows" | awk -F'\t' '{printf "| %s | %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6, $7}'
grep '^DLLS' "$rows" | awk -F'\t' '{printf "\nDLLs orvanel.exe imports: %s\n", $2}'
