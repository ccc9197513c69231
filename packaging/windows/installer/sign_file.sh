#!/bin/bash
# Signs one Windows program in place with osslsigncode (Authenticode, SHA-256), with the
# certificate and key that the environment names:
#   VANTOREL_SIGN_CERT            the code-signing certificate (PEM or DER; may hold the chain)
#   VANTOREL_SIGN_KEY             its private key (PEM or DER)
#   VANTOREL_SIGN_KEY_PASSWORD    the key's password, when it has one
#   VANTOREL_SIGN_TIMESTAMP_URL   an RFC 3161 time-stamp server, when the signature is to outlive
#                                 the certificate
#
#   sign_file.sh FILE
set -euo pipefail
file=$1
: "${VANTOREL_SIGN_CERT:?}" "${VANTOREL_SIGN_KEY:?}"
options=(-certs "$VANTOREL_SIGN_CERT" -key "$VANTOREL_SIGN_KEY" -h sha256 -n Vantorel)
[ -n "${VANTOREL_SIGN_KEY_PASSWORD:-}" ] && options+=(-pass "$VANTOREL_SIGN_KEY_PASSWORD")
[ -n "${VANTOREL_SIGN_TIMESTAMP_URL:-}" ] && options+=(-ts "$VANTOREL_SIGN_TIMESTAMP_URL")
rm -f "$file.signed"
osslsigncode sign "${options[@]}" -in "$file" -out "$file.signed" >/dev/null
mv -f "$file.signed" "$file"
