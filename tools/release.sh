#!/bin/sh
# Builds the shipped program and packs the release, byte for byte the same
# from the same commit: dist/orvanel-VERSION-windows-x64.zip (the program,
# README.txt, LICENSE.txt, THIRD-PARTY-NOTICES.txt), dist/orvanel.exe and
# dist/SHA256SUMS. With a certificate (ORVANEL_SIGN_PKCS12, see
# tools/sign-program.sh) the program is signed before it is packed.
set -eu
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release

build=build/release
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=orvanel-$version-windows-x64
stage=$build/release  # where CMake made README.txt and LICENSE.txt
dist=$(pwd)/dist
rm -rf "$dist"
mkdir -p "$dist"
sh tools/release/notices.sh | sed 's/\r$//; s/$/\r/' >"$stage/THIRD-PARTY-NOTICES.txt"
if [ -n "${ORVANEL_SIGN_PKCS12:-}" ]; then
  sh tools/sign-program.sh "$build/orvanel.exe" "$stage/orvanel.exe"
else
  echo "Not signed: no certificate given (ORVANEL_SIGN_PKCS12)"
  cp "$build/orvanel.exe" "$stage/orvanel.exe"
fi
cp "$stage/orvanel.exe" "$dist/orvanel.exe"

# Entries in a fixed order, with fixed permissions, the time of the last
# commit (or a fixed one outside a clone) read in UTC, and no extra fields
# (-X: no owner, no further times), so that the zip is reproducible.
stamp=$(git log -1 --format=%ct 2>/dev/null || echo 1767225600)
(
  cd "$stage"
  chmod 644 orvanel.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt
  touch -d "@$stamp" orvanel.exe README.txt LICENSE.txt THIRD-PARTY-NOTICES.txt
  TZ=UTC zip -q -X -9 "$dist/$name.zip" orvanel.exe README.txt LICENSE.txt \
    THIRD-PARTY-NOTICES.txt
)
(cd "$dist" && sha256sum "$name.zip" orvanel.exe >SHA256SUMS)
echo "Release in $dist:"
cat "$dist/SHA256SUMS"
