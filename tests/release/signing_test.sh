#!/bin/sh
# The signing of a release, with a throwaway certificate made here and now
# and an RFC 3161 time-stamp server of its own on the loopback address:
#   signing_test.sh PROGRAM WATCH WINE_DIR
# The signed program verifies against its certificate and not against
# another, carries a time stamp that verifies, one changed byte breaks the
# signature, taking the signature off gives back the unsigned program, and
# the signed program still starts and shows its status under Wine. Nothing
# of the keys or the certificates outlives the check.
set -eu
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
absolute() { echo "$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"; }
program=$(absolute "$1")
watch=$(absolute "$2")
wine_dir=$(cd "$3" && pwd)
work=$(mktemp -d)
server=""
trap '[ -z "$server" ] || kill "$server" 2>/dev/null; rm -rf "$work"' EXIT INT TERM
chmod 700 "$work"
cd "$work"

fail() {
  echo "FAILED: $*" >&2
  exit 1
}
# A self-signed code-signing certificate, valid for a day.
certificate() {
  openssl req -x509 -newkey rsa:2048 -sha256 -days 1 -nodes -subj "/CN=$1" \
    -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature" \
    -keyout "$1.key" -out "$1.pem" 2>/dev/null
}
verifies() {
  osslsigncode verify -CAfile "$2" -TSA-CAfile "$work/tsa.pem" -in "$1" >"$work/verify.log" 2>&1 &&
    grep -q '^Signature verification: ok' "$work/verify.log"
}

# A time-stamp authority: openssl ts answers each query, served over HTTP.
openssl req -x509 -newkey rsa:2048 -sha256 -days 1 -nodes -subj "/CN=orvanel-test-tsa" \
  -addext "extendedKeyUsage=critical,timeStamping" -addext "keyUsage=critical,digitalSignature" \
  -keyout tsa.key -out tsa.pem 2>/dev/null
echo 01 >tsa.serial
cat >tsa.cnf <<'CNF'
[ tsa ]
default_tsa = test
[ test ]
serial = ./tsa.serial
signer_cert = ./tsa.pem
signer_key = ./tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
ess_cert_id_alg = sha256
CNF
cat >tsa.py <<'PY'
import http.server, subprocess
class Answer(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        with open("query.tsq", "wb") as query:
            query.write(self.rfile.read(int(self.headers["Content-Length"])))
        made = subprocess.run(["openssl", "ts", "-reply", "-config", "tsa.cnf", "-queryfile",
                               "query.tsq", "-out", "reply.tsr"], capture_output=True)
        reply = open("reply.tsr", "rb").read() if made.returncode == 0 else b""
        self.send_response(200 if reply else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Answer)
print(server.server_address[1], flush=True)
server.serve_forever()
PY
python3 tsa.py >tsa.port &
server=$!
for _ in 1 2 3 4 5 6 7 8 9 10; do [ -s tsa.port ] && break; sleep 0.2; done
[ -s tsa.port ] || fail "the time-stamp server did not start"

certificate orvanel-test
certificate someone-else
(umask 077 && openssl rand -hex 16 >password)
openssl pkcs12 -export -inkey orvanel-test.key -in orvanel-test.pem -out orvanel-test.p12 \
  -passout file:password
rm -f orvanel-test.key someone-else.key

ORVANEL_SIGN_PKCS12=$work/orvanel-test.p12 ORVANEL_SIGN_PASSWORD_FILE=$work/password \
  ORVANEL_SIGN_TIMESTAMP_URL=http://127.0.0.1:$(cat tsa.port) \
  sh "$tools/sign-program.sh" "$program" signed.exe >sign.log ||
  { cat sign.log; fail "signing"; }
grep -q "$(cat password)" sign.log && fail "the password reached the output"

verifies signed.exe orvanel-test.pem || { cat verify.log; fail "the signature does not verify"; }
grep -q '^Timestamp Server Signature verification: ok' verify.log ||
  { cat verify.log; fail "no time stamp that verifies"; }
verifies signed.exe someone-else.pem && fail "verified against a certificate that did not sign"
verifies "$program" orvanel-test.pem && fail "the unsigned program verified"
# One byte of the program's code changed, 4 KiB in.
cp signed.exe changed.exe
byte=$(od -An -tu1 -j4096 -N1 changed.exe | tr -d ' ')
printf "$(printf '\\%03o' $(((byte + 1) % 256)))" |
  dd of=changed.exe bs=1 seek=4096 conv=notrunc 2>/dev/null
cmp -s changed.exe signed.exe && fail "the byte did not change"
verifies changed.exe orvanel-test.pem && fail "a changed program still verified"

osslsigncode remove-signature -in signed.exe -out stripped.exe >/dev/null
cmp -s stripped.exe "$program" || fail "without its signature it is not the unsigned program"

# The signed program under Wine: it starts and shows the service's state.
. "$wine_dir/env"
wine "$work/signed.exe" >/dev/null 2>&1 &
started=$!
status=$(wine "$watch" wait | tr -d '\r') || { kill "$started" 2>/dev/null; fail "no status"; }
wine "$watch" close
wait "$started" || true
case $status in
  "Automatic Update is "*) ;;
  *) fail "the signed program showed \"$status\"" ;;
esac
echo "signed and time-stamped, verified, refused when changed or checked against another certificate," \
  "the unsigned bytes underneath; under Wine it shows: $status"
