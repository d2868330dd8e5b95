#!/usr/bin/env bash
# Sets up this Debian machine and runs every test: the portable logic
# natively, again under AddressSanitizer and UBSan, and the Windows program
# and its platform layer under Wine (in private prefixes inside build/).
#
# Where this machine runs 32-bit code, Wine runs the shipped 32-bit program,
# and the 64-bit build of the same sources runs its Windows-side unit tests.
# Where it runs none (tools/wine-bits.sh; RESOLVO_WINE_BITS=64 acts so on any
# machine), the Wine suites run on the 64-bit build, and what needs 32-bit
# code is listed as not run, with the reason.
# Ends with the summary of every suite; exits non-zero if any test failed.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

tools/install-deps.sh || exit 1

presets=(native sanitize windows windows64)
for preset in "${presets[@]}"; do
    echo "== Building: $preset"
    cmake --preset "$preset" >/dev/null || exit 1
    cmake --build --preset "$preset" || exit 1
done

declare -A outcome
status=0
for preset in "${presets[@]}"; do
    echo "== Testing: $preset"
    log="build/$preset-ctest.log"
    ctest --preset "$preset" --parallel 2 2>&1 | tee "$log"
    if [ "${PIPESTATUS[0]}" -eq 0 ]; then outcome[$preset]=passed; else outcome[$preset]=FAILED; status=1; fi
done

bits=$(tools/wine-bits.sh)
if [ "$bits" = 32 ]; then
    windows="the shipped 32-bit program: every Wine suite"
    windows64="the 64-bit build: its Windows-side unit tests"
else
    windows="the shipped 32-bit program: what needs no Wine (resources, download, reproducible build)"
    windows64="the 64-bit build: every Wine suite, with Wine's 64-bit loader"
fi
echo
echo "== Summary (Wine runs ${bits}-bit programs here)"
for preset in "${presets[@]}"; do
    printf '%-9s %-7s %s\n' "$preset" "${outcome[$preset]}" \
        "$(grep -E 'tests passed|tests failed' "build/$preset-ctest.log" | tail -1)"
done
printf '  windows:   %s\n  windows64: %s\n' "$windows" "$windows64"
not_run=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*(not run: .*)\) (Skipped)$/\1/p' build/*-ctest.log)
if [ -n "$not_run" ]; then
    echo "Not run on this machine:"
    printf '  %s\n' "${not_run//$'\n'/$'\n'  }"
fi
exit "$status"
