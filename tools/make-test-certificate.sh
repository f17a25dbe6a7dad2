#!/usr/bin/env bash
# Makes the self-signed certificate and key of the loopback HTTPS server that
# the Internet check's tests run (tests/data/tls/). The certificate names
# "localhost" only, so that a request to 127.0.0.1 fails the name check. It is
# committed: run this again only to replace it (it is valid for 100 years).
set -euo pipefail

out="$(cd "$(dirname "$0")/.." && pwd)/tests/data/tls"
mkdir -p "$out"
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 36500 \
  -subj "/CN=localhost" -addext "subjectAltName=DNS:localhost" \
  -keyout "$out/localhost.key" -out "$out/localhost.pem"
echo "wrote $out/localhost.pem and $out/localhost.key"
