#!/usr/bin/env bash
# Builds resolvo.exe and the download again from nothing, elsewhere, and checks that both are byte for byte the
# build's (folders, time, user and umask do not count); then has tests/signing/ check signed builds match too.
# usage: check-reproducible.sh SOURCE_DIR BUILD_DIR PRESET EXE ZIP   (EXE and ZIP relative to BUILD_DIR)
set -euo pipefail
source=$1 build=$2 preset=$3 exe=$4 zip=$5
scratch=$(mktemp -d "${TMPDIR:-/tmp}/resolvo-rebuild.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
settings=()
for setting in RESOLVO_SIGN_PKCS12 RESOLVO_SIGN_PASSWORD_FILE RESOLVO_RELEASE_URL; do
    settings+=(-D "$setting=$(sed -n "s/^$setting:[A-Z]*=//p" "$build/CMakeCache.txt")")
done

start=$SECONDS
if ! { env -u RESOLVO_SIGN_PKCS12 -u RESOLVO_SIGN_PASSWORD_FILE -u RESOLVO_SIGN_TIMESTAMP_URL -u RESOLVO_RELEASE_URL \
           cmake -S "$source" --preset "$preset" -B "$scratch/build" "${settings[@]}" &&
       cmake --build "$scratch/build" --target resolvo package; } >"$scratch/log" 2>&1; then
    cat "$scratch/log"
    echo "FAIL: the second build failed"
    exit 1
fi
echo "built again in $((SECONDS - start)) s"
status=0
for file in "$exe" "$zip"; do
    if cmp "$build/$file" "$scratch/build/$file"; then echo "ok:   $file is the same"; else echo "FAIL: $file differs"; status=1; fi
done
"$(dirname "$0")/../signing/check-signing.sh" "$source" "$scratch/build" "$build/$exe" "$exe" "$zip" || status=1
exit $status
