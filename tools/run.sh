#!/usr/bin/env bash
# Sets up this Debian machine, builds Resolvo and runs it under Wine, in a
# private Wine prefix beside the build (build/run/wine). Nothing else on the
# machine is touched, ~/.wine included.
#
# With a display ($DISPLAY set) the program opens for you. Without one, a
# short scripted walk through the program plays on a private Xvfb display; its
# screenshots are saved under build/run/screenshots, and the paths and the
# changes made to the prefix's hosts file are printed.
#
# In the prefix, the browser is a small recording program: it writes down the
# address it was given (printed at the end) instead of going on line.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
# The shipped 32-bit program, or where this machine runs no 32-bit code
# (tools/wine-bits.sh) the 64-bit build of the same sources.
preset=windows
if [ "$(tools/wine-bits.sh)" = 64 ]; then
    preset=windows64
    echo "This machine runs no 32-bit code: running the 64-bit build with Wine's 64-bit loader."
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target resolvo recording_stub

RESOLVO_WINE_STATE="$PWD/build/run/wine"
[ "$preset" = windows64 ] && RESOLVO_WINE_STATE+=64
export RESOLVO_WINE_STATE
exe="$PWD/build/$preset/src/app/resolvo.exe"
stub="$PWD/build/$preset/tools/recording_stub.exe"

if [ -z "${DISPLAY:-}" ]; then
    exec python3 tools/walkthrough.py "$exe" "$stub" resources build/run/screenshots
fi

source tools/wine-env.sh
wine_make_prefix
prefix_c="$WINEPREFIX/drive_c"
mkdir -p "$prefix_c/Resolvo"
cp "$exe" resources/winsock.reg resources/winsock2.reg "$prefix_c/Resolvo/"
# The program looks for Internet Explorer in the Program Files folder of its
# kind: a 32-bit program in a 64-bit prefix, in "Program Files (x86)".
browsers=("$prefix_c/Program Files/Internet Explorer/iexplore.exe")
if [ -d "$prefix_c/Program Files (x86)" ]; then
    browsers+=("$prefix_c/Program Files (x86)/Internet Explorer/iexplore.exe")
fi
for browser in "${browsers[@]}"; do
    mkdir -p "$(dirname "$browser")"
    cp "$stub" "$browser"
    rm -f "$browser.log"
done
hosts="$prefix_c/windows/system32/drivers/etc/hosts"
cp "$hosts" "$RESOLVO_WINE_STATE/hosts.before"

echo "Starting Resolvo (prefix: $WINEPREFIX)"
wine 'C:\Resolvo\resolvo.exe' || true
wineserver -w

echo
echo "Changes to the prefix's hosts file ($hosts):"
diff -u "$RESOLVO_WINE_STATE/hosts.before" "$hosts" | sed 's/^/  /' || true
echo "Addresses the program opened in the browser:"
cat "${browsers[@]/%/.log}" 2>/dev/null | sed 's/^/  /' | grep . || echo "  none"
