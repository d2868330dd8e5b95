#!/usr/bin/env bash
# Signs a build's download with a certificate made here for the run and checks the signature, the download, and
# that another clean build's program (byte for byte this one's), signed the same way, gives the same bytes.
# usage: check-signing.sh SOURCE_DIR BUILD_DIR OTHER_EXE EXE ZIP   (BUILD_DIR is reconfigured to sign)
set -euo pipefail
source=$1 build=$2 other=$3 exe=$4 zip=$5
signed=$build/signed/${exe##*/} work=$(mktemp -d "${TMPDIR:-/tmp}/resolvo-signing.XXXXXX")
trap 'rm -rf "$work"' EXIT
# shellcheck source=../checks.sh
. "$(dirname "$0")/../checks.sh"
package() { # configured with the settings given, if any; the output shown only when it fails
    { if [ $# -gt 0 ]; then env -u RESOLVO_SIGN_TIMESTAMP_URL cmake -S "$source" -B "$build" "$@"; fi &&
        cmake --build "$build" --target package; } >"$work/log" 2>&1 || { cat "$work/log"; echo "FAIL: packing"; exit 1; }
}

openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Resolvo test signer" \
    -addext extendedKeyUsage=codeSigning -keyout "$work/key.pem" -out "$work/certificate.pem" 2>/dev/null
printf 'throwaway\n' >"$work/password"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/certificate.pem" -passout "file:$work/password" \
    -out "$work/certificate.p12"
# Never a time-stamp server: it takes the network.
package -D RESOLVO_SIGN_PKCS12="$work/certificate.p12" -D RESOLVO_SIGN_PASSWORD_FILE="$work/password" \
    -D RESOLVO_SIGN_TIMESTAMP_URL=

time=${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct)}
verified=$(osslsigncode verify -CAfile "$work/certificate.pem" -in "$signed" 2>&1) || true
check "the program is signed, and verifies against the certificate" grep -q '^Succeeded$' <<<"$verified"
check "the digest is SHA-256" grep -q '^Message digest algorithm *: SHA256' <<<"$verified"
check "the signing time is $time" grep -qF "Signing time: $(date -u -d "@$time" '+%b %e %H:%M:%S %Y GMT')" \
    <<<"$verified"
check "the download holds the signed program" cmp -s <(unzip -p "$build/$zip" "${exe##*/}") "$signed"

# Ninja takes the other build's program, newer than the signed copy, to sign and pack again.
cp "$signed" "$build/$zip" "$work/"
cp "$other" "$build/$exe"
package
check "the other build's signed program is the same" cmp "$work/${signed##*/}" "$signed"
check "the other build's signed download is the same" cmp "$work/${zip##*/}" "$build/$zip"
finish_checks
