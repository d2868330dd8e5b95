#!/usr/bin/env bash
# Sets up this Debian machine and runs every test: the portable logic
# natively, again under AddressSanitizer and UBSan, and the Windows program
# and its platform layer under Wine (in a private prefix inside build/).
# Ends with the summary of every suite; exits non-zero if any test failed.
set -uo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh || exit 1

presets=(native sanitize windows)
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

echo
echo "== Summary"
for preset in "${presets[@]}"; do
    printf '%-9s %-7s %s\n' "$preset" "${outcome[$preset]}" \
        "$(grep -E 'tests passed|tests failed' "build/$preset-ctest.log" | tail -1)"
done
exit "$status"
