#!/usr/bin/env bash
# Source this to run the Windows build under Wine:   source tools/wine-env.sh [prefix-folder]
# Sets WINEPREFIX (a private copy of a prepared template prefix), WINEDEBUG, a headless
# display when none is set, and a persistent wineserver so each test exe starts in ~0.1 s.
# Call tarnix_wine_stop when done (./test does).
# The Wine is the one of TARNIX_WINDOWS (tools/setup.sh chooses it): win32 runs the 32-bit build
# under wine32, win64 the 64-bit build under wine64. Everything that starts Wine goes through
# TARNIX_WINE (the loader) and TARNIX_WINESERVER, set here.
_tarnix_wine_tools=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEDEBUG=-all
# No Mono/Gecko installer dialogs in a headless prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
# Text drawn without anti-aliasing, whatever the font (see wine-fonts.conf).
export FONTCONFIG_FILE="$_tarnix_wine_tools/wine-fonts.conf"
if [ "${TARNIX_WINDOWS:-win32}" = win64 ]; then
    # /usr/bin/wine tries the 32-bit loader first; the 64-bit one is called by its own path.
    export WINEARCH=win64
    export TARNIX_WINE=/usr/lib/wine/wine64 TARNIX_WINESERVER=/usr/lib/wine/wineserver64
    export WINELOADER=$TARNIX_WINE WINESERVER=$TARNIX_WINESERVER
else
    export WINEARCH=win32
    export TARNIX_WINE=wine TARNIX_WINESERVER=wineserver
    unset WINELOADER WINESERVER
fi

tarnix_wine_template() {
    local ver
    ver=$("$TARNIX_WINE" --version 2>/dev/null | tr -c 'A-Za-z0-9.\n' '_')
    echo "${TARNIX_CACHE:-/var/cache/tarnix}/wine-template-$WINEARCH-$ver-$(sha1sum "$_tarnix_wine_tools/wine-env.sh" | cut -c1-8)"
}

_tarnix_wine_make_template() {
    local t=$1
    [ -f "$t/.complete" ] && return 0
    mkdir -p "$(dirname "$t")"
    (
        flock 9
        [ -f "$t/.complete" ] && exit 0
        rm -rf "$t"
        echo "[wine] preparing a template prefix (first run only)" >&2
        export WINEPREFIX=$t
        "$TARNIX_WINE" wineboot -i >/dev/null 2>&1
        # Crash tests must never wait in the debugger.
        "$TARNIX_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /t REG_SZ /d 0 /f >/dev/null 2>&1
        # Without a Debugger value Wine 8 still starts winedbg --auto; a program that does not
        # exist stops it from starting any.
        "$TARNIX_WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /t REG_SZ /d 'no-debugger.exe %ld %ld' /f >/dev/null 2>&1
        "$TARNIX_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
        # Window tests: a virtual desktop draws captions and a tray with no window manager and
        # keeps exit codes; font smoothing off (Wine 8 reports it but draws as the font's own
        # table says, Tahoma blended from 17 pixels on: wine-fonts.conf turns that off).
        "$TARNIX_WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /t REG_SZ /d Default /f >/dev/null 2>&1
        "$TARNIX_WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /t REG_SZ /d 1024x768 /f >/dev/null 2>&1
        "$TARNIX_WINE" reg add 'HKCU\Control Panel\Desktop' /v FontSmoothing /t REG_SZ /d 0 /f >/dev/null 2>&1
        "$TARNIX_WINESERVER" -w
        touch "$t/.complete"
    ) 9>"$t.lock"
}

# True when display :$1 can be taken. A lock whose server is gone (killed, not stopped) is
# removed with its socket, or the numbers run out after enough killed runs.
_tarnix_display_free() {
    local n=$1 pid
    if [ -e "/tmp/.X$n-lock" ]; then
        pid=$(tr -dc 0-9 < "/tmp/.X$n-lock" 2>/dev/null)
        if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
            return 1
        fi
        rm -f "/tmp/.X$n-lock" 2>/dev/null || return 1
    fi
    rm -f "/tmp/.X11-unix/X$n" 2>/dev/null || return 1
}

# Starts a headless X server on the first free display and exports DISPLAY. Another run may
# take the same number at the same moment; a server that dies at once is followed by the next.
_tarnix_start_xvfb() {
    local n i
    for n in $(seq 90 190); do
        _tarnix_display_free "$n" || continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        TARNIX_XVFB_PID=$!
        for i in $(seq 1 50); do
            kill -0 "$TARNIX_XVFB_PID" 2>/dev/null || break
            if [ -e "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n"
                return 0
            fi
            sleep 0.1
        done
        kill "$TARNIX_XVFB_PID" 2>/dev/null
        unset TARNIX_XVFB_PID
    done
    echo "[wine] no X display could be started (displays :90 to :190 are taken)" >&2
    return 1
}

tarnix_wine_start() {
    local prefix=${1:-}
    local t
    t=$(tarnix_wine_template)
    _tarnix_wine_make_template "$t" || return 1
    if [ -z "$prefix" ]; then
        prefix=$(mktemp -d /tmp/tarnix-wine.XXXXXX)
        rm -rf "$prefix"
    fi
    if [ ! -d "$prefix" ]; then
        cp -a "$t" "$prefix"
    fi
    export WINEPREFIX=$prefix
    if [ -z "${DISPLAY:-}" ]; then
        _tarnix_start_xvfb || return 1
    fi
    "$TARNIX_WINESERVER" -p
    "$TARNIX_WINE" cmd /c exit >/dev/null 2>&1 || true
}

tarnix_wine_stop() {
    # A server that still holds objects lists them on its way out: nothing to show here.
    [ -n "${WINEPREFIX:-}" ] && "$TARNIX_WINESERVER" -k >/dev/null 2>&1
    if [ -n "${TARNIX_XVFB_PID:-}" ]; then
        kill "$TARNIX_XVFB_PID" 2>/dev/null
        unset TARNIX_XVFB_PID
        unset DISPLAY
    fi
    case "${WINEPREFIX:-}" in
        /tmp/tarnix-wine.*) rm -rf "$WINEPREFIX" ;;
    esac
}

tarnix_wine_start "${1:-}"
