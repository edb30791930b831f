#!/usr/bin/env bash
# Signs programs, libraries, installers and MSI packages in place with an
# Authenticode signature (SHA-256, no time stamp: a build needs no network).
#
#   tools/sign.sh FILE...
#   tools/sign.sh --test-certificate     prints the test certificate's path
#
# The certificate comes from the environment when a release is built for
# customers:
#   VX_SIGN_PKCS12     a .pfx/.p12 file holding the certificate and its key, or
#   VX_SIGN_CERT       the certificate (chain), PEM or DER, with
#   VX_SIGN_KEY        its private key, PEM or DER
#   VX_SIGN_PASSWORD   the password of the .pfx or of the key, if it has one
# Without them, every file is signed with a test certificate made on first
# use in build/test-certificate (or VX_SIGN_TEST_DIR): it proves the
# signing works, and no customer's machine trusts it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
test_dir=${VX_SIGN_TEST_DIR:-$here/build/test-certificate}

fail() {
  echo "sign.sh: $*" >&2
  exit 1
}

# The test certificate: self-signed, for code signing, made once under a
# lock (the build signs several files at the same time).
test_certificate() {
  mkdir -p "$test_dir"
  (
    flock 9
    if [ ! -s "$test_dir/certificate.pem" ] || [ ! -s "$test_dir/key.pem" ]; then
      openssl req -x509 -newkey rsa:3072 -nodes -sha256 -days 3650 \
        -subj "/CN=VX-R500 Utility test signing/O=ORVIK" \
        -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=critical,digitalSignature" \
        -keyout "$test_dir/key.pem.new" -out "$test_dir/certificate.pem.new" 2>/dev/null ||
        fail "openssl could not make the test certificate"
      mv "$test_dir/key.pem.new" "$test_dir/key.pem"
      mv "$test_dir/certificate.pem.new" "$test_dir/certificate.pem"
    fi
  ) 9>"$test_dir/.lock"
}

if [ "${1:-}" = "--test-certificate" ]; then
  test_certificate
  echo "$test_dir/certificate.pem"
  exit 0
fi
[ $# -gt 0 ] || fail "usage: tools/sign.sh FILE... (see the head of this file)"
command -v osslsigncode >/dev/null || fail "osslsigncode not found: run tools/setup.sh"

# The password goes to osslsigncode in a file of our own, never on its
# command line (where any user of the machine could read it).
password=()
if [ -n "${VX_SIGN_PASSWORD:-}" ]; then
  pass_file=$(mktemp)
  trap 'rm -f "$pass_file"' EXIT
  printf '%s' "$VX_SIGN_PASSWORD" >"$pass_file"
  password=(-readpass "$pass_file")
fi

if [ -n "${VX_SIGN_PKCS12:-}" ]; then
  [ -r "$VX_SIGN_PKCS12" ] || fail "VX_SIGN_PKCS12: cannot read $VX_SIGN_PKCS12"
  identity=(-pkcs12 "$VX_SIGN_PKCS12" "${password[@]}")
elif [ -n "${VX_SIGN_CERT:-}" ] || [ -n "${VX_SIGN_KEY:-}" ]; then
  [ -r "${VX_SIGN_CERT:-}" ] || fail "VX_SIGN_CERT: cannot read '${VX_SIGN_CERT:-}'"
  [ -r "${VX_SIGN_KEY:-}" ] || fail "VX_SIGN_KEY: cannot read '${VX_SIGN_KEY:-}'"
  identity=(-certs "$VX_SIGN_CERT" -key "$VX_SIGN_KEY" "${password[@]}")
else
  test_certificate
  identity=(-certs "$test_dir/certificate.pem" -key "$test_dir/key.pem")
fi

for file in "$@"; do
  [ -f "$file" ] || fail "no such file: $file"
  # Written beside the file and renamed over it: a failed signing leaves
  # the file as it was.
  out="$file.signing"
  rm -f "$out"
  if ! osslsigncode sign "${identity[@]}" -h sha256 -n "VX-R500 Utility" -in "$file" -out "$out" >/dev/null 2>"$out.log"; then
    cat "$out.log" >&2
    rm -f "$out" "$out.log"
    fail "could not sign $file"
  fi
  rm -f "$out.log"
  mv -f "$out" "$file"
done
