#!/usr/bin/env bash
# Makes the certificates the TLS tests use, in the folder given (kept when already there):
#   ca.pem/ca.key       a test authority
#   server.pem/.key     localhost and 127.0.0.1, signed by the test authority
#   other.pem/.key      other.example only, signed by the test authority (a certificate for another name)
#   self.pem/.key       localhost and 127.0.0.1, self-signed (the demo's kind, for pinning)
#   self2.pem/.key      the same names, another self-signed key (a pinned certificate that changed)
# P-256 keys: quick to make and to handshake with.
set -euo pipefail
out=${1:?usage: make-test-certs.sh FOLDER}
mkdir -p "$out"
cd "$out"
[ -s self2.pem ] && exit 0

key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" 2>/dev/null; }
names='subjectAltName=DNS:localhost,IP:127.0.0.1'

key ca.key
openssl req -x509 -new -key ca.key -sha256 -days 3650 -subj '/CN=Korvel Test CA' \
  -addext 'basicConstraints=critical,CA:TRUE' -addext 'keyUsage=critical,keyCertSign,cRLSign' -out ca.pem

signed() { # name subject-alt-names
  key "$1.key"
  openssl req -new -key "$1.key" -subj "/CN=$1" -out "$1.csr"
  printf '%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$2" > "$1.ext"
  openssl x509 -req -in "$1.csr" -CA ca.pem -CAkey ca.key -CAcreateserial -days 3650 -sha256 \
    -extfile "$1.ext" -out "$1.pem" 2>/dev/null
  rm -f "$1.csr" "$1.ext"
}
signed server "$names"
signed other 'subjectAltName=DNS:other.example'

selfsigned() { # name
  key "$1.key"
  openssl req -x509 -new -key "$1.key" -sha256 -days 3650 -subj '/CN=localhost' -addext "$names" -out "$1.pem"
}
selfsigned self
selfsigned self2
