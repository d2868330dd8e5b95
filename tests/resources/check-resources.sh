#!/usr/bin/env bash
# Reads the resources back out of a built resolvo.exe and checks them:
# the file kind, the imported DLLs, the icon, the banner, the manifest and
# the version record.
# Usage: check-resources.sh path/to/resolvo.exe
# The expected name and version come from the build (tests/windows.cmake):
# RESOLVO_PRODUCT_NAME, RESOLVO_VERSION_TEXT and RESOLVO_VERSION (a.b.c.d).
set -euo pipefail

if [ "$#" -ne 1 ]; then
    echo "usage: $0 path/to/resolvo.exe" >&2
    exit 2
fi
exe=$1
: "${RESOLVO_PRODUCT_NAME:?from the build}" "${RESOLVO_VERSION_TEXT:?from the build}" \
  "${RESOLVO_VERSION:?from the build}"
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}

for tool in file "$objdump" wrestool icotool identify iconv od; do
    command -v "$tool" >/dev/null || { echo "check-resources: $tool is missing (tools/install-deps.sh)" >&2; exit 2; }
done
[ -f "$exe" ] || { echo "check-resources: no file $exe" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
pass() { echo "ok:   $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { # description, then a command that succeeds when the check holds
    local what=$1
    shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}
indent() { # prints lines of detail under the check that follows them
    local line
    [ -z "$1" ] || while IFS= read -r line; do echo "      $line"; done <<<"$1"
}
extract() { # type, name, output file; a missing resource leaves the file empty
    : >"$3"
    wrestool -x -R -t "$1" -n "$2" -o "$3" "$exe" 2>/dev/null || true
}

echo "check-resources: $exe, $(stat -c %s "$exe") bytes"

# --- The file kind --------------------------------------------------------
kind=$(file -b "$exe")
check "32-bit GUI program ($kind)" grep -q '^PE32 executable (GUI) Intel 80386' <<<"$kind"

# --- The size: one small download ----------------------------------------
size=$(stat -c %s "$exe")
check "at most 300 KB ($size bytes)" test "$size" -le 300000

# --- Imports: Windows' own DLLs only, present from Vista on ---------------
# Anything else (the MinGW runtime DLLs in particular) would have to be
# shipped beside the program.
system_dlls='kernel32 user32 gdi32 comctl32 comdlg32 ole32 oleaut32 advapi32 shell32
             shlwapi uxtheme msvcrt version winspool.drv ws2_32 gdiplus windowscodecs'
mapfile -t imports < <("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
if [ "${#imports[@]}" -eq 0 ]; then
    fail "imports: none found"
fi
for dll in "${imports[@]}"; do
    base=$(tr '[:upper:]' '[:lower:]' <<<"${dll%.[dD][lL][lL]}")
    if grep -qw -- "$base" <<<"$system_dlls"; then
        pass "imports $dll"
    else
        fail "imports $dll, which is not a Windows system DLL"
    fi
done

# --- Windows XP: no function that only Vista and later have ----------------
# (The C++ runtime's threads library imports GetTickCount64; the program
# supplies that import itself.)
newer_than_xp='GetTickCount64|InitializeConditionVariable|SleepConditionVariable|InitializeSRWLock|AcquireSRWLock|InitOnceExecuteOnce|GetFileInformationByHandleEx|SetFileInformationByHandle|CreateSymbolicLink|GetFinalPathNameByHandle|FlsAlloc|CompareStringEx|LCIDToLocaleName|GetDpiForWindow|SetProcessDpiAwareness'
late=$("$objdump" -p "$exe" | grep -oEw "$newer_than_xp" | sort -u | tr '\n' ' ' || true)
check "imports nothing Windows XP lacks${late:+ (imports $late)}" test -z "$late"

# --- The resource directory -----------------------------------------------
listing=$(wrestool -l "$exe" 2>/dev/null || true)
indent "$listing"

# --- The icon: group 1 first, with 32x32 and 16x16 images -----------------
first_group=$(sed -n 's/^--type=14 --name=\([^ ]*\) .*/\1/p' <<<"$listing" | head -n 1)
check "the first icon group is 1 (IDI_RESOLVO), got '${first_group}'" test "$first_group" = 1
# Without --raw, wrestool joins the group and its images into an .ico file.
: >"$work/icon.ico"
wrestool -x -t 14 -n 1 -o "$work/icon.ico" "$exe" 2>/dev/null || true
icons=$(icotool -l "$work/icon.ico" 2>/dev/null || true)
indent "$icons"
check "icon has a 32x32 image" grep -q -- '--width=32 --height=32' <<<"$icons"
check "icon has a 16x16 image" grep -q -- '--width=16 --height=16' <<<"$icons"

# --- The banner: RCDATA 100 (IDR_BANNER), a 545 x 90 JPEG -----------------
extract 10 100 "$work/banner.jpg"
banner=$(identify -format '%m %wx%h' "$work/banner.jpg" 2>/dev/null || echo "unreadable")
check "banner is a 545x90 JPEG ($banner)" test "$banner" = "JPEG 545x90"

# --- The manifest: RT_MANIFEST 1 ------------------------------------------
extract 24 1 "$work/manifest.xml"
manifest=$(<"$work/manifest.xml")
check "manifest asks for requireAdministrator" \
    grep -q 'requestedExecutionLevel level="requireAdministrator" uiAccess="false"' <<<"$manifest"
check "manifest is system DPI aware" grep -q '<dpiAware[^>]*>true</dpiAware>' <<<"$manifest"
check "manifest asks for Common Controls 6" \
    grep -q 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' <<<"$manifest"
declare -A supported_os=(
    ["Windows Vista"]='{e2011457-1546-43c5-a5fe-008deee3d3f0}'
    ["Windows 7"]='{35138b9a-5d96-4fbd-8e2d-a2440225f93a}'
    ["Windows 8"]='{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}'
    ["Windows 8.1"]='{1f676c76-80e1-4239-95bb-83d0f6d0da78}'
    ["Windows 10 and 11"]='{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'
)
for os in "Windows Vista" "Windows 7" "Windows 8" "Windows 8.1" "Windows 10 and 11"; do
    check "manifest supports $os" grep -qiF "<supportedOS Id=\"${supported_os[$os]}\"/>" <<<"$manifest"
done

# --- The version record: VS_VERSION_INFO 1 --------------------------------
extract 16 1 "$work/version.bin"

# The fixed part: the signature, structure version 1.0, then the file and
# product versions, each as two little-endian double words, major << 16 |
# minor and patch << 16 | build: the words run minor, major, build, patch.
version_hex=$(od -An -tx1 -v "$work/version.bin" | tr -d ' \n')
IFS=. read -r major minor patch build <<<"$RESOLVO_VERSION"
word() { printf '%02x%02x' $(($1 & 255)) $(($1 >> 8)); }
parts=$(word "$minor")$(word "$major")$(word "$build")$(word "$patch")
fixed="bd04effe""00000100""$parts$parts"
check "fixed file and product versions are $major,$minor,$patch,$build" grep -q "$fixed" <<<"$version_hex"

# The strings are UTF-16LE, each key and value ending in a NUL. Split the
# record at the NULs: a value is the first non-empty piece after its key.
iconv -c -f UTF-16LE -t UTF-8 "$work/version.bin" | tr '\0' '\n' | grep -v '^$' >"$work/version.txt" || true
value_of() {
    awk -v key="$1" 'found { print; exit } $0 ~ key "$" { found = 1 }' "$work/version.txt"
}
expect_value() { # key, expected value
    local got
    got=$(value_of "$1")
    check "version record $1 is \"$2\" (got \"$got\")" test "$got" = "$2"
}
expect_value ProductName "$RESOLVO_PRODUCT_NAME"
expect_value FileVersion "$RESOLVO_VERSION_TEXT"
expect_value ProductVersion "$RESOLVO_VERSION_TEXT"
expect_value InternalName "resolvo"
expect_value OriginalFilename "resolvo.exe"
for key in CompanyName FileDescription LegalCopyright; do
    got=$(value_of "$key")
    check "version record $key is set (\"$got\")" test -n "$got"
done
check "version record has the string block 040904B0" grep -q '040904B0$' "$work/version.txt"
# "Translation" in UTF-16LE with its NUL, the padding, then 0x0409 and 1200.
translation='5400720061006e0073006c006100740069006f006e000000(0000)?0904b004'
check "version record translation is 0x409, 1200" grep -Eq "$translation" <<<"$version_hex"

if [ "$failures" -ne 0 ]; then
    echo "check-resources: $failures check(s) failed"
    exit 1
fi
echo "check-resources: all checks passed"
