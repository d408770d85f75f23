#!/usr/bin/env bash
# Brings a Debian 12 machine to the state both builds need. Idempotent and quick when all is
# there. Source it (it exports TARNIX_DEPS, TARNIX_WINDOWS and, for win64, TARNIX_DEPS_WIN64) or
# run it. It leaves the caller's shell options alone.
_tarnix_tools=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Exports TARNIX_WINDOWS, the Windows build whose tests run here: win32 under wine32 where this
# machine executes 32-bit x86 code, win64 under wine64 where it does not (or where the caller set
# TARNIX_WINDOWS=win64). The 32-bit build is compiled on every machine.
_tarnix_choose_windows() {
    TARNIX_RUNS_I386=$("$_tarnix_tools/probe-i386.sh") || return 1
    if [ "$TARNIX_RUNS_I386" = no ]; then
        TARNIX_WINDOWS=win64
        echo "[setup] this machine runs no 32-bit x86 code: Windows tests run as the 64-bit build (win64) under wine64; win32 is only built" >&2
    elif [ "$TARNIX_RUNS_I386" = emulated ]; then
        TARNIX_WINDOWS=win64
        echo "[setup] this machine runs 32-bit x86 code only through an emulator: Windows tests run as the 64-bit build (win64) under wine64; win32 is only built" >&2
    elif [ "${TARNIX_WINDOWS:-}" = win64 ]; then
        echo "[setup] TARNIX_WINDOWS=win64: Windows tests run as the 64-bit build (win64) under wine64; win32 is only built" >&2
    else
        TARNIX_WINDOWS=win32
        echo "[setup] this machine runs 32-bit x86 code: Windows tests run as win32 under wine32" >&2
    fi
    export TARNIX_RUNS_I386 TARNIX_WINDOWS
}
_tarnix_choose_windows || { echo "[setup] failed" >&2; return 1 2>/dev/null || exit 1; }

_tarnix_packages=(cmake g++ make googletest libgtest-dev g++-mingw-w64-i686 mingw-w64-tools wine
    xvfb libcrypto++-dev libbz2-dev libpugixml-dev libboost-dev dpkg-dev ccache clang clang-format libclang-rt-14-dev
    libudt-dev x11-utils)
# Where no i386 program can run, no i386 package is installed: it could not work, and a lagging
# i386 index would only block the amd64 packages.
if [ "$TARNIX_RUNS_I386" = yes ]; then
    _tarnix_packages+=(wine32:i386)
fi
if [ "$TARNIX_WINDOWS" = win64 ]; then
    _tarnix_packages+=(wine64 g++-mingw-w64-x86-64-posix)
fi

_tarnix_missing() {
    local p
    for p in "${_tarnix_packages[@]}"; do
        dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}

_tarnix_setup() {
    local missing
    missing=$(_tarnix_missing)
    local need_src=0
    if ! grep -qs 'deb-src' /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null; then
        need_src=1
    fi
    if [ -n "$missing" ] || [ "$need_src" = 1 ]; then
        echo "[setup] installing: ${missing:-(source entries only)}" >&2
        if [ "$TARNIX_RUNS_I386" = yes ]; then
            dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
        fi
        if [ "$need_src" = 1 ]; then
            # apt-get source needs a deb-src entry; a fresh machine has only the binary one.
            cat > /etc/apt/sources.list.d/tarnix-src.sources <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
        fi
        # A mirror in the middle of a sync fails one index now and then; what did arrive is
        # usually enough, so a failing update is retried and then only warned about: the
        # install below says whether anything is really missing.
        local try
        for try in 1 2 3; do
            apt-get update -qq >&2 && break
            if [ "$try" = 3 ]; then
                echo "[setup] apt-get update failed three times; going on with the lists it got" >&2
            else
                sleep 10
            fi
        done
        if [ -n "$missing" ]; then
            # shellcheck disable=SC2086
            # When one architecture's security index is missing, the amd64 and i386 candidates
            # of a Multi-Arch library differ and nothing resolves; the point release alone
            # (-t bookworm) has both at one version.
            DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >&2 ||
                DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -t bookworm $missing >&2 || return 1
        fi
    fi
    # ImageMagick takes the window tests' screenshots (called by path: /usr/bin/import and
    # /usr/bin/convert); its recommended packages would pull in far more than it needs.
    if ! dpkg-query -W -f='${Status}\n' imagemagick 2>/dev/null | grep -q 'install ok installed'; then
        echo "[setup] installing: imagemagick (without recommends)" >&2
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends imagemagick >&2 ||
            { apt-get update -qq >&2 &&
                DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends imagemagick >&2; } ||
            return 1
    fi
    # One dependency cache per Windows target; the presets pick theirs.
    TARNIX_DEPS=$("$_tarnix_tools/build-deps.sh" i686) || return 1
    export TARNIX_DEPS
    if [ "$TARNIX_WINDOWS" = win64 ]; then
        TARNIX_DEPS_WIN64=$("$_tarnix_tools/build-deps.sh" x86_64) || return 1
        export TARNIX_DEPS_WIN64
    fi
    export CCACHE_DIR=${CCACHE_DIR:-/var/cache/tarnix/ccache}
}
_tarnix_setup || { echo "[setup] failed" >&2; return 1 2>/dev/null || exit 1; }
