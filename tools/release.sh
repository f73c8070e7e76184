#!/bin/sh
# Builds the shipped program from the tree and packs the release:
#   dist/orvanel-VERSION-windows-x64.zip  orvanel.exe, README.txt, LICENSE.txt,
#                                         THIRD-PARTY-NOTICES.txt
#   dist/orvanel.exe, dist/SHA256SUMS
# Two builds of the same commit give the same bytes, wherever they are made.
# With a certificate (ORVANEL_SIGN_PKCS12, see tools/sign-program.sh) the
# program is signed before it is packed, and the checksums are of the files
# as shipped; without one the release is the unsigned build.
set -eu
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release

build=build/release
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=orvanel-$version-windows-x64
stage=$build/stage
rm -rf "$stage" dist
mkdir -p "$stage" dist

# Windows users read text files with CRLF line ends.
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }
sed "s/@VERSION@/$version/" docs/release-README.txt >"$stage/README.in"
crlf "$stage/README.in" "$stage/README.txt"
crlf LICENSE "$stage/LICENSE.txt"
sh tools/release/notices.sh >"$stage/NOTICES.in"
crlf "$stage/NOTICES.in" "$stage/THIRD-PARTY-NOTICES.txt"
if [ -n "${ORVANEL_SIGN_PKCS12:-}" ]; then
  sh tools/sign-program.sh "$build/orvanel.exe" "$stage/orvanel.exe"
else
  echo "Not signed: no certificate given (ORVANEL_SIGN_PKCS12)"
  cp "$build/orvanel.exe" "$stage/orvanel.exe"
fi

# Entries in a fixed order, with fixed permissions and the time of the last
# commit (or a fixed one outside a clone), so that the zip is reproducible.
stamp=$(git log -1 --format=%ct 2>/dev/null || echo 1767225600)
python3 - "$stage" "dist/$name.zip" "$stamp" <<'PY'
import sys, time, zipfile
stage, target, stamp = sys.argv[1], sys.argv[2], int(sys.argv[3])
when = time.gmtime(stamp)[:6]
with zipfile.ZipFile(target, "w") as archive:
    for entry in ("orvanel.exe", "README.txt", "LICENSE.txt", "THIRD-PARTY-NOTICES.txt"):
        info = zipfile.ZipInfo(entry, date_time=when)
        info.compress_type = zipfile.ZIP_DEFLATED
        with open(f"{stage}/{entry}", "rb") as source:
            data = source.read()
        info.create_system = 3
        info.external_attr = 0o100644 << 16
        archive.writestr(info, data, compresslevel=9)
PY
cp "$stage/orvanel.exe" dist/orvanel.exe
(cd dist && sha256sum "$name.zip" orvanel.exe >SHA256SUMS)
echo "Release in $(pwd)/dist:"
cat dist/SHA256SUMS
