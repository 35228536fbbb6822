#!/usr/bin/env bash
# Regenerates the loopback test servers' certificates (run once; the results are committed).
#   testca.crt        the test-only authority the tests trust through the client's test hook
#   testserver.*      signed by it, for 127.0.0.1 and localhost
#   wrongname.*       signed by it, for a name that is not the loopback host
#   untrusted.*       self-signed, for 127.0.0.1 and localhost, trusted by nobody
set -euo pipefail
cd "$(dirname "$0")"
days=36500
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days $days -keyout "$work/testca.key" -out testca.crt \
    -subj "/CN=Thermira Test Authority" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign"

leaf() { # name subject-alt-names
    openssl req -newkey rsa:2048 -nodes -sha256 -keyout "$1.key" -out "$work/$1.csr" -subj "/CN=$3"
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\nsubjectAltName=%s\n' "$2" >"$work/$1.ext"
    openssl x509 -req -in "$work/$1.csr" -CA testca.crt -CAkey "$work/testca.key" -CAcreateserial \
        -CAserial "$work/testca.srl" -days $days -sha256 -extfile "$work/$1.ext" -out "$1.crt"
}
leaf testserver "IP:127.0.0.1,DNS:localhost" 127.0.0.1
leaf wrongname "DNS:wrong-name.invalid" wrong-name.invalid

openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days $days -keyout untrusted.key -out untrusted.crt \
    -subj "/CN=127.0.0.1" -addext "subjectAltName=IP:127.0.0.1,DNS:localhost"
