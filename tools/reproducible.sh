#!/bin/sh
# Checks that two unsigned releases of the tree, from two clones made apart, are the same bytes.
set -eu
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
git clone -q . "$work/first/orvanel"
sleep 2
git clone -q . "$work/second/elsewhere/orvanel-copy"
for clone in "$work/first/orvanel" "$work/second/elsewhere/orvanel-copy"; do
  echo "Releasing in $clone"
  env -u ORVANEL_SIGN_PKCS12 make -C "$clone" release >"$clone.log" 2>&1 ||
    { cat "$clone.log"; exit 1; }
  sleep 2
done
echo "First:"
cat "$work/first/orvanel/dist/SHA256SUMS"
echo "Second:"
cat "$work/second/elsewhere/orvanel-copy/dist/SHA256SUMS"
if cmp -s "$work/first/orvanel/dist/SHA256SUMS" "$work/second/elsewhere/orvanel-copy/dist/SHA256SUMS"; then
  echo "Reproducible: both clones give the same zip and program."
else
  echo "NOT reproducible: the two clones differ." >&2
  exit 1
fi
