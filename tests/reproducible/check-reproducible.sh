#!/usr/bin/env bash
# Builds resolvo.exe and the download once more, from nothing, in a
# temporary folder under another parent, and checks that both are byte for
# byte the ones of the build under test.
#
# The two must match when they are built from the same sources (one commit,
# and no edits between the builds) with the same tools: the mingw-w64
# compiler, binutils and runtime libraries, windres, CMake and Ninja, and the
# Python that packs the zip (its zlib compresses it), and with the same
# preset and cache settings (RESOLVO_FREESCAN_HOST is compiled in). The
# source and build folders, the time of the build, the user and the umask
# make no difference.
#
# usage: check-reproducible.sh SOURCE_DIR BUILD_DIR PRESET EXE ZIP
#   EXE and ZIP are relative to BUILD_DIR, and so to the new build folder.
set -euo pipefail

if [ "$#" -ne 5 ]; then
    echo "usage: $0 SOURCE_DIR BUILD_DIR PRESET EXE ZIP" >&2
    exit 2
fi
source=$1 build=$2 preset=$3 exe=$4 zip=$5

scratch=$(mktemp -d "${TMPDIR:-/tmp}/resolvo-rebuild.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
again=$scratch/build

start=$SECONDS
# Only what is compared is built: the rest would only cost time.
if ! { cmake -S "$source" --preset "$preset" -B "$again" &&
       cmake --build "$again" --target resolvo package; } >"$scratch/log" 2>&1; then
    cat "$scratch/log"
    echo "FAIL: the second build failed"
    exit 1
fi
echo "built again in $again in $((SECONDS - start)) s"

failures=0
for file in "$exe" "$zip"; do
    for copy in "$build/$file" "$again/$file"; do
        echo "  $(stat -c %s "$copy") bytes, sha256 $(sha256sum <"$copy" | cut -d' ' -f1)  $copy"
    done
    if cmp "$build/$file" "$again/$file"; then
        echo "ok:   $file is the same"
    else
        echo "FAIL: $file differs"
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ]
