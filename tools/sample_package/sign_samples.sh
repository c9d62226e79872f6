#!/usr/bin/env bash
# Test signatures for the sample package: a test root and a publisher under it, made with
# openssl, and the package signed with osslsigncode in every shape the trust check must judge.
#   sign_samples.sh OUT_DIR UNSIGNED_PACKAGE
# Writes into OUT_DIR:
#   test_root.cer                 the test root (DER), for the test set-up to trust
#   thumbprints.ini               [Thumbprints] Root=, Publisher=, Impostor=, Stranger= (SHA-1),
#                                 [Digests] Package= (the unsigned package's SHA-256)
#   signed.exe                    signed by the publisher
#   changed.exe                   signed.exe with one byte of its code changed
#   appended.exe                  signed.exe with bytes appended after the signature
#   impostor.exe                  signed by a certificate of the same names from another key
#   stranger.exe                  signed by a publisher under a root nobody trusts
# Test material only: the keys are made anew on every build and never leave the build tree.
set -euo pipefail
out=${1:?usage: sign_samples.sh OUT_DIR UNSIGNED_PACKAGE}
package=${2:?usage: sign_samples.sh OUT_DIR UNSIGNED_PACKAGE}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# ca NAME SUBJECT: a self-signed root, SHA-256, ten years.
ca() {
  openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -subj "$2" \
    -keyout "$work/$1.key" -out "$work/$1.pem" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
}
# publisher NAME SUBJECT ROOT: a code-signing certificate issued by ROOT.
publisher() {
  openssl req -newkey rsa:2048 -nodes -sha256 -subj "$2" -keyout "$work/$1.key" -out "$work/$1.csr" 2>/dev/null
  printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
    >"$work/$1.ext"
  openssl x509 -req -in "$work/$1.csr" -CA "$work/$3.pem" -CAkey "$work/$3.key" -CAcreateserial -sha256 \
    -days 3650 -extfile "$work/$1.ext" -out "$work/$1.pem" 2>/dev/null
}
# sign NAME CERT ROOT OUTPUT: the package signed by CERT, with CERT and ROOT carried in the signature.
sign() {
  cat "$work/$2.pem" "$work/$3.pem" >"$work/$2.chain.pem"
  rm -f "$4"
  osslsigncode sign -certs "$work/$2.chain.pem" -key "$work/$2.key" -h sha256 -n "Dravix sample package" \
    -in "$package" -out "$4" >/dev/null
}
thumbprint() {
  openssl x509 -in "$work/$1.pem" -noout -fingerprint -sha1 | cut -d= -f2 | tr -d : | tr 'A-F' 'a-f'
}

root_subject="/CN=Dravix Test Root/O=Dravix Tests"
publisher_subject="/CN=Dravix Test Publisher/O=Dravix Tests"
ca root "$root_subject"
publisher publisher "$publisher_subject" root
# The same names from other keys: only the keys tell them apart.
ca impostor_root "$root_subject"
publisher impostor "$publisher_subject" impostor_root
ca stranger_root "/CN=Dravix Stranger Root/O=Nobody"
publisher stranger "/CN=Dravix Stranger Publisher/O=Nobody" stranger_root

sign publisher publisher root "$out/signed.exe"
sign impostor impostor impostor_root "$out/impostor.exe"
sign stranger stranger stranger_root "$out/stranger.exe"
# One byte of the code (well inside the first section, which the signature covers) changed.
cp "$out/signed.exe" "$out/changed.exe"
printf '\x90' | dd of="$out/changed.exe" bs=1 seek=1536 conv=notrunc status=none
cp "$out/signed.exe" "$out/appended.exe"
printf 'appended after signing' >>"$out/appended.exe"

openssl x509 -in "$work/root.pem" -outform DER -out "$out/test_root.cer"
{
  echo "[Thumbprints]"
  echo "Root=$(thumbprint root)"
  echo "Publisher=$(thumbprint publisher)"
  echo "Impostor=$(thumbprint impostor)"
  echo "Stranger=$(thumbprint stranger)"
  echo "[Digests]"
  echo "Package=$(sha256sum "$package" | cut -d' ' -f1)"
} >"$out/thumbprints.ini"
