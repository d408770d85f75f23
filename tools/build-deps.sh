#!/usr/bin/env bash
# build-deps.sh [i686|x86_64]
# Cross-builds the Windows dependencies (MinGW, 32-bit i686 by default or 64-bit x86_64) from
# Debian's source packages into a versioned cache outside the source tree, with mingw-w64's
# interface descriptions for widl. Prints the cache
# folder on stdout. The key covers the target, the compiler, the source package versions, this
# script and the toolchain files, so a change of any of them builds a fresh cache and a stale
# one is never reused.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=${TARNIX_CACHE:-/var/cache/tarnix}
cpu=${1:-i686}
case "$cpu" in
    i686) toolchain=$here/../cmake/toolchain-mingw32.cmake ;;
    x86_64) toolchain=$here/../cmake/toolchain-mingw64.cmake ;;
    *) echo "build-deps.sh: unknown target $cpu (i686 or x86_64)" >&2; exit 2 ;;
esac
triple=$cpu-w64-mingw32

cc_ver=$($triple-g++-posix --version | head -n1)
pkg_ver=$(dpkg-query -W -f='${Version} ' libcrypto++-dev libbz2-dev libpugixml-dev googletest mingw-w64-common)
script_sum=$(sha1sum "$here/build-deps.sh" "$toolchain" "$here/../cmake/toolchain-mingw.cmake" |
    cut -c1-40 | tr -d '\n')
key=$(printf '%s|%s|%s|%s' "$cpu" "$cc_ver" "$pkg_ver" "$script_sum" | sha1sum | cut -c1-12)
out="$root/deps-$key"

if [ -f "$out/.complete" ]; then
    echo "$out"
    exit 0
fi

log() { echo "[deps] $*" >&2; }
jobs=$(nproc)
rm -rf "$out"
mkdir -p "$out/include" "$out/lib"
src=$(mktemp -d "$root/src.XXXXXX")
trap 'rm -rf "$src"' EXIT
cd "$src"

log "fetching Debian source packages (bzip2, libcrypto++, pugixml)"
apt-get source -qq bzip2 libcrypto++ pugixml >&2 2>/dev/null || apt-get source bzip2 libcrypto++ pugixml >&2

log "bzip2"
(cd bzip2-*/ && make -s libbz2.a CC=$triple-gcc AR=$triple-ar \
    RANLIB=$triple-ranlib CFLAGS="-O2 -D_FILE_OFFSET_BITS=64" >&2 \
    && cp libbz2.a "$out/lib/" && cp bzlib.h "$out/include/")

log "crypto++ (whole static library)"
(cd libcrypto++-*/ && make -s -j"$jobs" CXX=$triple-g++-posix AR=$triple-ar \
    RANLIB=$triple-ranlib CXXFLAGS="-DNDEBUG -O2 -pipe" static >&2)
cdir=$(echo libcrypto++-*/)
mkdir -p "$out/include/crypto++"
cp "$cdir"*.h "$out/include/crypto++/"
ln -sfn crypto++ "$out/include/cryptopp"
lib=$(ls "$cdir"lib*.a | head -n1)
cp "$lib" "$out/lib/libcryptopp.a"

log "pugixml"
cmake -S pugixml-*/ -B pugi-build -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$out" >/dev/null
cmake --build pugi-build -j"$jobs" >/dev/null
cmake --install pugi-build >/dev/null

log "googletest"
cmake -S /usr/src/googletest -B gtest-build -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -Dgtest_disable_pthreads=OFF -DCMAKE_INSTALL_PREFIX="$out" >/dev/null
cmake --build gtest-build -j"$jobs" >/dev/null
cmake --install gtest-build >/dev/null

# widl imports the system's interface descriptions (oaidl.idl, ocidl.idl ...) when it compiles
# the control's own .idl; Debian installs none, so they come from mingw-w64's source package,
# the same version as the installed headers (mingw-w64-common).
log "mingw-w64 interface descriptions (.idl)"
apt-get source --download-only -qq mingw-w64 >&2 2>/dev/null || apt-get source --download-only mingw-w64 >&2
tar -xjf mingw-w64_*.orig.tar.bz2 --wildcards '*/mingw-w64-headers/include/*.idl'
mkdir -p "$out/idl"
cp mingw-w64-*/mingw-w64-headers/include/*.idl "$out/idl/"

# Boost.MultiIndex is header-only; never put /usr/include itself on the MinGW path.
mkdir -p "$out/boost-include"
ln -sfn /usr/include/boost "$out/boost-include/boost"

touch "$out/.complete"
log "done: $out"
echo "$out"
