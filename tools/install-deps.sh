#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build and the tests need:
# the mingw-w64 cross compiler, Wine (32-bit, from the i386 architecture),
# Xvfb and xdotool to drive windows, ImageMagick and icoutils for the
# resources, the native toolchain with GoogleTest and Google Benchmark, and
# Python, which packs the download and drives the end-to-end tests.
# Safe to run again: it only installs what is missing. It says in one line
# what it installs and how long that took; the package manager's own output
# goes to build/install-deps.log, whose end it shows if the installation fails.
set -euo pipefail

log="$(cd "$(dirname "$0")/.." && pwd)/build/install-deps.log"

packages=(
    cmake ninja-build g++ clang clang-format libclang-rt-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
    wine wine32:i386 wine64
    fonts-wine xvfb xdotool x11-utils imagemagick icoutils fonts-dejavu-core
    zip unzip file procps python3 shellcheck
    osslsigncode openssl python3-yaml
)

sudo_if_needed() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ "${#missing[@]}" -eq 0 ]; then
    echo "install-deps: everything is installed"
    exit 0
fi

# Each step only if the one before it worked (errexit is off inside an "if").
install() {
    { dpkg --print-foreign-architectures | grep -qx i386 || sudo_if_needed dpkg --add-architecture i386; } &&
        sudo_if_needed apt-get update &&
        sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

mkdir -p "$(dirname "$log")"
printf 'install-deps: installing %s ... ' "${missing[*]}"
started=$SECONDS
if install >"$log" 2>&1 </dev/null; then
    echo "done in $((SECONDS - started)) s (the package manager's output: $log)"
else
    status=$?
    echo "FAILED after $((SECONDS - started)) s; the end of $log:"
    tail -n 25 "$log" | sed 's/^/    /'
    exit "$status"
fi
