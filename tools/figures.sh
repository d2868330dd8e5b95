#!/usr/bin/env bash
# Sets up the machine, builds what is measured, and prints the figures that
# docs/figures.md quotes, all measured in this one run (see tools/figures.py). Under
# Wine it works in a private prefix in build/figures.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
# Under Wine, the shipped 32-bit program; where this machine runs no 32-bit
# code (tools/wine-bits.sh), the 64-bit build, and the figures say so.
windows=windows
[ "$(tools/wine-bits.sh)" = 64 ] && windows=windows64
for preset in native "$windows"; do
    cmake --preset "$preset" >/dev/null
done
cmake --build --preset native --target repair_benchmark
cmake --build --preset "$windows" --target resolvo minimal_window recording_stub
RESOLVO_WINE_STATE="$PWD/build/figures/$windows" exec python3 tools/figures.py build/native "build/$windows"
