#!/usr/bin/env bash
# Sets up the machine, builds what is measured, and prints the figures the
# README quotes, all measured in this one run (see tools/figures.py). Under
# Wine it works in a private prefix in build/figures.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
for preset in native windows; do
    cmake --preset "$preset" >/dev/null
done
cmake --build --preset native --target repair_benchmark
cmake --build --preset windows --target resolvo minimal_window recording_stub
RESOLVO_WINE_STATE="$PWD/build/figures/wine" exec python3 tools/figures.py build/native build/windows
