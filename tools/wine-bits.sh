#!/usr/bin/env bash
# Prints how Windows programs run on this machine: 32 where it runs 32-bit
# code, so that Wine runs the shipped 32-bit program; 64 where it does not,
# so that only Wine's 64-bit loader and the 64-bit build can run.
#
# Some x86-64 hosts run no 32-bit code at all: a 32-bit program fails with
# "Exec format error", or could not enter 32-bit mode if it started. The
# probe is the smallest 32-bit program there is, which runs one instruction
# of 32-bit code, the system call exit(42): only a machine that runs 32-bit
# code returns 42. It needs no package and takes a millisecond.
#
#   RESOLVO_WINE_BITS=64  takes the 64-bit path on any machine, to try it.
set -euo pipefail

if [ "${RESOLVO_WINE_BITS:-}" = 64 ]; then
    echo 64
    exit 0
fi

# In the build folder, where programs are run anyway (/tmp may forbid it).
folder="$(dirname "$0")/../build"
mkdir -p "$folder"
probe=$(mktemp "$folder/probe32.XXXXXX")
trap 'rm -f "$probe"' EXIT
# An ELF header, one loadable segment, and: mov eax, 1; mov ebx, 42; int 0x80.
printf '%b' \
    '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' \
    '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' \
    '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' \
    '\x00\x00\x00\x00' \
    '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' \
    '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' \
    '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
chmod +x "$probe"
status=0
"$probe" 2>/dev/null || status=$?
if [ "$status" -eq 42 ]; then echo 32; else echo 64; fi
