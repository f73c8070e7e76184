#!/bin/sh
# Installs the Debian packages the build and the tests need, or without root names them and stops.
set -eu

packages="make cmake g++ libgtest-dev googletest clang clang-tidy g++-mingw-w64-x86-64 mingw-w64-tools
wine wine64 fonts-wine xvfb xauth xdotool imagemagick fonts-liberation python3 git ca-certificates
osslsigncode openssl iwyu zip"

missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
    missing="$missing $package"
  fi
done
# Node.js runs the workflow linter; a machine that has it from elsewhere
# keeps its own.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  missing="$missing nodejs npm"
fi
[ -n "$missing" ] || exit 0

if [ "$(id -u)" -eq 0 ]; then
  sudo=""
elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
  sudo="sudo"
else
  echo "Orvanel needs these Debian packages:$missing" >&2
  echo "Install them as root with:" >&2
  echo "  apt-get update && apt-get install -y$missing" >&2
  exit 1
fi

echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
# shellcheck disable=SC2086
$sudo apt-get install -y -q $missing
