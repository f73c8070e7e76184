#!/bin/sh
# Signs a Windows program with Authenticode (SHA-256):
#   sign-program.sh UNSIGNED SIGNED
# The certificate and its key come as a PKCS#12 file named by
# ORVANEL_SIGN_PKCS12; its password from the file ORVANEL_SIGN_PASSWORD_FILE
# names, or else from ORVANEL_SIGN_PASSWORD. Neither the password nor the key
# ever reaches a command line or the output. With ORVANEL_SIGN_TIMESTAMP_URL
# the signature takes an RFC 3161 time stamp from that server, so that it
# stays valid after the certificate expires. Taking the signature off again
# must give back the unsigned bytes, or nothing is signed.
set -eu
unsigned=$1
signed=$2
pkcs12=${ORVANEL_SIGN_PKCS12:?names no PKCS#12 file}
[ -r "$pkcs12" ] || { echo "sign-program.sh: cannot read the PKCS#12 file" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
chmod 700 "$work"
if [ -n "${ORVANEL_SIGN_PASSWORD_FILE:-}" ]; then
  password=$ORVANEL_SIGN_PASSWORD_FILE
elif [ -n "${ORVANEL_SIGN_PASSWORD+set}" ]; then
  password=$work/password
  (umask 077 && printf '%s' "$ORVANEL_SIGN_PASSWORD" >"$password")
else
  echo "sign-program.sh: no password (ORVANEL_SIGN_PASSWORD_FILE or ORVANEL_SIGN_PASSWORD)" >&2
  exit 1
fi

set -- -pkcs12 "$pkcs12" -readpass "$password" -h sha256 -n Orvanel
if [ -n "${ORVANEL_SIGN_TIMESTAMP_URL:-}" ]; then
  set -- "$@" -ts "$ORVANEL_SIGN_TIMESTAMP_URL"
fi
rm -f "$signed"
if ! osslsigncode sign "$@" -in "$unsigned" -out "$work/signed.exe" >"$work/log" 2>&1; then
  # The tool's own words name what failed; they carry no secret.
  cat "$work/log" >&2
  exit 1
fi
osslsigncode remove-signature -in "$work/signed.exe" -out "$work/stripped.exe" >/dev/null
if ! cmp -s "$work/stripped.exe" "$unsigned"; then
  echo "sign-program.sh: without its signature the program is not the unsigned build" >&2
  exit 1
fi
mv "$work/signed.exe" "$signed"
if [ -n "${ORVANEL_SIGN_TIMESTAMP_URL:-}" ]; then
  echo "Signed $signed (Authenticode, SHA-256), time-stamped by $ORVANEL_SIGN_TIMESTAMP_URL"
else
  echo "Signed $signed (Authenticode, SHA-256), without a time stamp"
fi
