#!/usr/bin/env bash
# Reads back a built resolvo.exe (one small 32-bit GUI program that starts on
# Windows XP: its resources and imports) and the download that holds it.
# usage: check-resources.sh path/to/resolvo.exe path/to/download.zip   (RESOLVO_* come from the build)
set -euo pipefail
exe=$1 zip=$2
resources=$(dirname "$0")/../../resources
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=../checks.sh
. "$(dirname "$0")/../checks.sh"
extract() { wrestool -x -R -t "$1" -n "$2" "$exe" 2>/dev/null || true; }

size=$(stat -c %s "$exe")
check "a 32-bit GUI program" grep -q '^PE32 executable (GUI) Intel 80386' <<<"$(file -b "$exe")"
check "at most 300 KB ($size bytes)" test "$size" -le 300000

# Only Windows' own DLLs, none of Vista's functions (the program supplies GetTickCount64 for the threads library).
imports=$("$objdump" -p "$exe")
for dll in $(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$imports" | tr '[:upper:]' '[:lower:]'); do
    check "imports $dll, a Windows system DLL" grep -qw -- "${dll%.dll}" \
        <<<"kernel32 user32 gdi32 comctl32 ole32 oleaut32 advapi32 shell32 msvcrt"
done
late=$(grep -oEw 'GetTickCount64|InitializeConditionVariable|SleepConditionVariable[A-Za-z]*|InitializeSRWLock|AcquireSRWLock[A-Za-z]*|InitOnceExecuteOnce|GetFileInformationByHandleEx|SetFileInformationByHandle|CreateSymbolicLink[AW]?|GetFinalPathNameByHandle[AW]?|FlsAlloc|CompareStringEx|SetDefaultDllDirectories|GetDpiForWindow|AdjustWindowRectExForDpi|SetDialog[A-Za-z]*DpiChangeBehavior' <<<"$imports" | sort -u | tr '\n' ' ' || true)
check "imports nothing Windows XP lacks (${late:-none})" test -z "$late"

characteristics=$(sed -n 's/^DllCharacteristics[[:space:]]*\([0-9a-fA-F]*\)$/\1/p' <<<"$imports")
for flag in "dynamic base:0x40" "NX compatible:0x100" "terminal-server aware:0x8000"; do
    check "marked ${flag%:*} (characteristics ${characteristics:-missing})" \
        test $((16#${characteristics:-0} & ${flag#*:})) -ne 0
done

wrestool -x -t 14 -n 1 -o "$work/icon.ico" "$exe" 2>/dev/null || true
icons=$(icotool -l "$work/icon.ico" 2>/dev/null || true)
check "the first icon group is 1" test "$(wrestool -l "$exe" | sed -n 's/^--type=14 --name=\([^ ]*\) .*/\1/p' | head -n 1)" = 1
check "the icon has 32x32 and 16x16 images" grep -qz -- '--width=32 --height=32.*--width=16 --height=16' <<<"$icons"
extract 10 100 >"$work/banner.jpg"
check "the banner is a 545x90 JPEG" test "$(identify -format '%m %wx%h' "$work/banner.jpg" 2>&1)" = "JPEG 545x90"

manifest=$(extract 24 1)
for needed in 'requestedExecutionLevel level="requireAdministrator" uiAccess="false"' \
    '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>' \
    '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>' \
    'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
    '{e2011457-1546-43c5-a5fe-008deee3d3f0}' '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}' \
    '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}' '{1f676c76-80e1-4239-95bb-83d0f6d0da78}' \
    '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'; do
    check "the manifest has $needed" grep -qiF -- "$needed" <<<"$manifest"
done

# The fixed part holds the versions as little-endian words minor, major, build, patch; then UTF-16LE keys, values.
extract 16 1 >"$work/version.bin"
IFS=. read -r major minor patch build <<<"$RESOLVO_VERSION"
word() { printf '%02x%02x' $(($1 & 255)) $(($1 >> 8)); }
parts=$(word "$minor")$(word "$major")$(word "$build")$(word "$patch")
check "file and product versions $RESOLVO_VERSION" \
    grep -q "bd04effe00000100$parts$parts" <<<"$(od -An -tx1 -v "$work/version.bin" | tr -d ' \n')"
strings=$(iconv -c -f UTF-16LE -t UTF-8 "$work/version.bin" | tr '\0' '\n' | grep -v '^$' || true)
for pair in "CompanyName=$RESOLVO_COMPANY_NAME" "ProductName=$RESOLVO_PRODUCT_NAME" \
    "FileVersion=$RESOLVO_VERSION_TEXT" "ProductVersion=$RESOLVO_VERSION_TEXT"; do
    value=$(awk -v key="${pair%%=*}" 'found { print; exit } $0 ~ key "$" { found = 1 }' <<<"$strings")
    check "the version record's $pair (${value})" test "$value" = "${pair#*=}"
done
# The download: the program and registry files as built, and the guide (tests/resources/test_guide_text.py), which
# names every backup.
check "the download holds the four files" test "$(unzip -Z1 "$zip" | tr '\n' ' ')" = \
    "README.txt resolvo.exe winsock.reg winsock2.reg "
for file in "$exe" "$resources/winsock.reg" "$resources/winsock2.reg"; do
    check "the download's ${file##*/} is $file" cmp -s <(unzip -p "$zip" "${file##*/}") "$file"
done
guide=$(unzip -p "$zip" README.txt)
for name in hosts.rv2 lmhosts.rv2 winsockbak.reg winsock2bak.reg administrator 'drivers\etc' 'regedit /s'; do
    check "the guide names $name" grep -qF -- "$name" <<<"$guide"
done
finish_checks
