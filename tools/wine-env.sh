# shellcheck shell=bash
# Sourced by the scripts that run Windows programs here. Everything lives in
# one state folder: a private Wine prefix, the number of the Xvfb display it
# draws on, and logs. Nothing outside that folder is touched.
#
#   RESOLVO_WINE_STATE  the state folder (required)
#   WINEARCH            win32 for a 32-bit prefix; unset for Wine's default (64-bit)
#   RESOLVO_WINE_BITS   64 to run Windows programs as on a machine that runs no
#                       32-bit code; otherwise tools/wine-bits.sh finds out

: "${RESOLVO_WINE_STATE:?RESOLVO_WINE_STATE must name the folder for the Wine prefix}"
export WINEPREFIX="$RESOLVO_WINE_STATE/prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer dialogs when the prefix is made. No
# winemenubuilder, which each session's start runs: it writes menu entries
# for this machine's desktop into the home folder, and it starts the session's
# desktop (explorer.exe /desktop) before the service manager answers. Such a
# desktop fails to register the shell's window list with COM (combase:
# "start_rpcss Failed to open service manager"), and then no program of the
# session gets CLSID_ShellWindows (REGDB_E_KEYMISSING): an elevated program
# cannot start anything as the desktop user. Without it, the desktop starts
# when the first program asks for it, once the session's services run.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Where the machine runs no 32-bit code, only Wine's 64-bit loader can run,
# in a 64-bit prefix, and only 64-bit programs.
RESOLVO_WINE_BITS=$("$(dirname "${BASH_SOURCE[0]}")/wine-bits.sh")
export RESOLVO_WINE_BITS
if [ "$RESOLVO_WINE_BITS" = 64 ]; then
    PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64:$PATH"
    export WINELOADER=/usr/lib/wine/wine64
    if [ "${WINEARCH:-win64}" != win64 ]; then
        printf 'wine-env: a %s prefix needs 32-bit code, which this machine does not run\n' "$WINEARCH" >&2
        return 1
    fi
fi

wine_log() { printf '%s\n' "$*" >&2; }

# Starts Xvfb on a free display unless the state folder already has a live one.
# Xvfb picks the display number itself (-displayfd), so that suites started
# side by side never share one.
wine_start_display() {
    mkdir -p "$RESOLVO_WINE_STATE"
    if [ -f "$RESOLVO_WINE_STATE/xvfb.pid" ] && kill -0 "$(cat "$RESOLVO_WINE_STATE/xvfb.pid")" 2>/dev/null; then
        DISPLAY=":$(cat "$RESOLVO_WINE_STATE/display")"
        export DISPLAY
        return 0
    fi
    local number="$RESOLVO_WINE_STATE/display.new"
    rm -f "$number"
    # Detached and with its own output files, so no test runner waits on it.
    # -noreset: the server would otherwise reset whenever the last Wine
    # process left, and refuse the next program while it did.
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset \
        3>"$number" >"$RESOLVO_WINE_STATE/xvfb.log" 2>&1 </dev/null &
    local pid=$! n
    for _ in $(seq 1 100); do
        n=$(cat "$number" 2>/dev/null || true)
        if [ -n "$n" ] && xdpyinfo -display ":$n" >/dev/null 2>&1; then
            echo "$pid" >"$RESOLVO_WINE_STATE/xvfb.pid"
            echo "$n" >"$RESOLVO_WINE_STATE/display"
            rm -f "$number"
            export DISPLAY=":$n"
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill "$pid" 2>/dev/null
    wine_log "wine-env: could not start Xvfb (see $RESOLVO_WINE_STATE/xvfb.log)"
    return 1
}

# Uses the display recorded in the state folder, if any.
wine_use_display() {
    if [ -f "$RESOLVO_WINE_STATE/display" ]; then
        DISPLAY=":$(cat "$RESOLVO_WINE_STATE/display")"
        export DISPLAY
    fi
}

# Registers Wine's own copies of the Windows fonts the program and its
# message boxes use: MS Sans Serif (a bitmap font, as on Windows), Tahoma
# and Marlett, which draws the caption buttons.
wine_register_fonts() {
    local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Fonts'
    local fonts=/usr/share/wine/fonts name file
    while IFS='|' read -r name file; do
        [ -f "$fonts/$file" ] || continue
        wine reg add "$key" /v "$name" /d "Z:${fonts//\//\\}\\$file" /f
    done <<'LIST'
MS Sans Serif 8,10,12,14,18,24|sserife.fon
Tahoma (TrueType)|tahoma.ttf
Tahoma Bold (TrueType)|tahomabd.ttf
Marlett (TrueType)|marlett.ttf
LIST
}

# Makes the prefix once. Wine draws the window frames itself, so that
# screenshots show captions without a window manager.
wine_make_prefix() {
    if [ -f "$WINEPREFIX/system.reg" ] && [ -f "$RESOLVO_WINE_STATE/prefix.ready" ]; then
        return 0
    fi
    rm -rf "$WINEPREFIX" "$RESOLVO_WINE_STATE/prefix.ready"
    mkdir -p "$RESOLVO_WINE_STATE"
    wine_log "wine-env: making a Wine prefix in $WINEPREFIX"
    wineboot -i >"$RESOLVO_WINE_STATE/wineboot.log" 2>&1 </dev/null
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        >>"$RESOLVO_WINE_STATE/wineboot.log" 2>&1 </dev/null
    wine_register_fonts >>"$RESOLVO_WINE_STATE/wineboot.log" 2>&1 </dev/null
    wineserver -w
    touch "$RESOLVO_WINE_STATE/prefix.ready"
}

wine_stop() {
    wineserver -k 2>/dev/null || true
    if [ -f "$RESOLVO_WINE_STATE/xvfb.pid" ]; then
        kill "$(cat "$RESOLVO_WINE_STATE/xvfb.pid")" 2>/dev/null || true
        rm -f "$RESOLVO_WINE_STATE/xvfb.pid" "$RESOLVO_WINE_STATE/display"
    fi
}
