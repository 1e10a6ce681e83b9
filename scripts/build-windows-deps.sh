#!/usr/bin/env bash
# Builds libcurl, TinyXML, libsodium and GoogleTest for 32-bit Windows from Debian's sources into
# <build folder>/deps, reusing an earlier build of the same source versions when one exists.
#
# Usage: scripts/build-windows-deps.sh [build folder]   (default: build-win)
# Set BRIGHTWELL_DEPS_CACHE to move the machine-wide cache, or to "" to disable it.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="$(realpath -m "${1:-$ROOT/build-win}")"
PREFIX="$BUILD_DIR/deps"
WORK="$BUILD_DIR/deps-work"
TOOLCHAIN="$ROOT/cmake/mingw-i686.cmake"
CACHE_ROOT="${BRIGHTWELL_DEPS_CACHE-/var/cache/brightwell/windows-deps}"
JOBS="${BRIGHTWELL_JOBS:-$(nproc)}"
TRIPLET=i686-w64-mingw32

log() { printf '[windows-deps] %s\n' "$*"; }
die() { printf '[windows-deps] error: %s\n' "$*" >&2; exit 1; }

# Version apt-get source would fetch, read from its URI list without downloading anything.
source_version() {
    local version
    version="$(apt-get source --print-uris "$1" 2>/dev/null |
        sed -nE "s/^'[^']*' $1_([^ ]+)\.dsc .*/\1/p" | head -n 1)"
    [[ -n "$version" ]] || die "no source package '$1' (run scripts/setup.sh: it adds deb-src entries)"
    printf '%s\n' "$version"
}

installed_version() {
    dpkg-query -W -f='${Version}' "$1" 2>/dev/null || die "package '$1' is missing (run scripts/setup.sh)"
}

# Everything that changes the built libraries: source versions, compilers, and this recipe.
compute_stamp() {
    printf 'curl %s\n' "$CURL_VERSION"
    printf 'tinyxml %s\n' "$TINYXML_VERSION"
    printf 'libsodium %s\n' "$SODIUM_VERSION"
    printf 'googletest %s\n' "$(installed_version googletest)"
    printf 'g++ %s\n' "$(installed_version g++-mingw-w64-i686-posix)"
    printf 'mingw-w64 %s\n' "$(installed_version mingw-w64-i686-dev)"
    printf 'recipe %s\n' "$(cat "${BASH_SOURCE[0]}" "$TOOLCHAIN" | sha256sum | cut -d' ' -f1)"
}

cross_cmake() {
    cmake -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$PREFIX" "$@"
}

fetch_sources() {
    rm -rf "$WORK"
    mkdir -p "$WORK"
    log "downloading Debian sources of curl $CURL_VERSION, tinyxml $TINYXML_VERSION and libsodium $SODIUM_VERSION"
    (cd "$WORK" && apt-get source --download-only -q "curl=$CURL_VERSION" "tinyxml=$TINYXML_VERSION" \
        "libsodium=$SODIUM_VERSION") \
        >"$WORK/download.log" 2>&1 || { cat "$WORK/download.log"; die "could not download the sources"; }
    # dpkg-source applies Debian's patches (for TinyXML: security fixes and TIXML_USE_STL).
    (cd "$WORK" && dpkg-source -q -x curl_*.dsc curl >/dev/null 2>&1 &&
        dpkg-source -q -x tinyxml_*.dsc tinyxml >/dev/null 2>&1 &&
        dpkg-source -q -x libsodium_*.dsc libsodium >/dev/null 2>&1) ||
        die "could not unpack the source packages in $WORK"
}

build_curl() {
    log "building libcurl"
    cross_cmake -S "$WORK/curl" -B "$WORK/curl-build" \
        -DBUILD_SHARED_LIBS=OFF -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DHTTP_ONLY=ON \
        -DBUILD_CURL_EXE=OFF -DCURL_ZLIB=OFF -DCURL_USE_LIBSSH2=OFF -DENABLE_MANUAL=OFF \
        -DBUILD_TESTING=OFF -DUSE_LIBIDN2=OFF -DCURL_USE_LIBPSL=OFF >"$WORK/curl-configure.log" 2>&1 ||
        { tail -n 40 "$WORK/curl-configure.log"; die "curl configuration failed"; }
    ninja -C "$WORK/curl-build" -j "$JOBS" install >"$WORK/curl-build.log" 2>&1 ||
        { tail -n 40 "$WORK/curl-build.log"; die "curl build failed"; }
}

# TinyXML has no CMake build: the same objects as Debian's static library (tinystr is unused with STL).
build_tinyxml() {
    log "building TinyXML"
    local source="$WORK/tinyxml" objects=() file
    mkdir -p "$WORK/tinyxml-build" "$PREFIX/include" "$PREFIX/lib"
    for file in tinyxml tinyxmlparser tinyxmlerror; do
        $TRIPLET-g++-posix -O2 -DTIXML_USE_STL -c "$source/$file.cpp" -o "$WORK/tinyxml-build/$file.o"
        objects+=("$WORK/tinyxml-build/$file.o")
    done
    rm -f "$PREFIX/lib/libtinyxml.a"
    $TRIPLET-ar rcs "$PREFIX/lib/libtinyxml.a" "${objects[@]}"
    install -m 644 "$source/tinyxml.h" "$PREFIX/include/"
    # Consumers must see the STL interface, as with the native header; Debian's patch guarantees it.
    grep -q '#define TIXML_USE_STL' "$PREFIX/include/tinyxml.h" ||
        die "patched tinyxml.h does not define TIXML_USE_STL"
}

# Static and minimal (signatures and hashes are all the launcher needs), without its tests: the
# smallest build keeps the recipe's rebuild short.
build_libsodium() {
    log "building libsodium"
    mkdir -p "$WORK/libsodium-build"
    # Debian's source is the project's tree without generated build files, as Debian's own
    # build regenerates them too.
    (cd "$WORK/libsodium" && autoreconf -fi) >"$WORK/libsodium-configure.log" 2>&1 ||
        { tail -n 40 "$WORK/libsodium-configure.log"; die "libsodium's build files could not be made"; }
    (cd "$WORK/libsodium-build" &&
        CC=$TRIPLET-gcc-posix "$WORK/libsodium/configure" --host=$TRIPLET --prefix="$PREFIX" \
            --disable-shared --enable-static --enable-minimal --disable-dependency-tracking \
            --disable-pie --without-pthreads) >>"$WORK/libsodium-configure.log" 2>&1 ||
        { tail -n 40 "$WORK/libsodium-configure.log"; die "libsodium configuration failed"; }
    make -C "$WORK/libsodium-build" -j "$JOBS" install >"$WORK/libsodium-build.log" 2>&1 ||
        { tail -n 40 "$WORK/libsodium-build.log"; die "libsodium build failed"; }
}

build_googletest() {
    log "building GoogleTest"
    cross_cmake -S /usr/src/googletest -B "$WORK/googletest-build" -DBUILD_GMOCK=ON \
        >"$WORK/googletest-configure.log" 2>&1 ||
        { tail -n 40 "$WORK/googletest-configure.log"; die "GoogleTest configuration failed"; }
    ninja -C "$WORK/googletest-build" -j "$JOBS" install >"$WORK/googletest-build.log" 2>&1 ||
        { tail -n 40 "$WORK/googletest-build.log"; die "GoogleTest build failed"; }
}

# The four builds are independent, and their configuration steps run one process at a time:
# side by side they keep every core busy. Each writes its own files into the prefix.
build_all() {
    local pids=() pid failed=0
    build_curl &
    pids+=($!)
    build_tinyxml &
    pids+=($!)
    build_libsodium &
    pids+=($!)
    build_googletest &
    pids+=($!)
    for pid in "${pids[@]}"; do
        wait "$pid" || failed=1
    done
    ((failed == 0)) || die "a dependency did not build (see above)"
}

# Copies a finished prefix into the machine cache; a failure here only costs a rebuild later.
store_in_cache() {
    local entry="$1"
    [[ -n "$CACHE_ROOT" ]] || return 0
    mkdir -p "$CACHE_ROOT" 2>/dev/null || return 0
    local staging
    staging="$(mktemp -d "$CACHE_ROOT/.staging.XXXXXX")" || return 0
    if cp -a "$PREFIX/." "$staging/" && mv -T "$staging" "$entry" 2>/dev/null; then
        log "cached in $entry"
    else
        rm -rf "$staging"
    fi
}

main() {
    [[ -f "$TOOLCHAIN" ]] || die "missing $TOOLCHAIN"
    CURL_VERSION="$(source_version curl)"
    TINYXML_VERSION="$(source_version tinyxml)"
    SODIUM_VERSION="$(source_version libsodium)"
    local stamp key entry
    stamp="$(compute_stamp)"
    key="$(printf '%s' "$stamp" | sha256sum | cut -c1-16)"
    entry="$CACHE_ROOT/$key"

    if [[ -f "$PREFIX/.stamp" && "$(cat "$PREFIX/.stamp")" == "$stamp" ]]; then
        log "up to date (curl $CURL_VERSION, tinyxml $TINYXML_VERSION, libsodium $SODIUM_VERSION)"
        return 0
    fi
    rm -rf "$PREFIX"
    if [[ -n "$CACHE_ROOT" && -f "$entry/.stamp" && "$(cat "$entry/.stamp")" == "$stamp" ]]; then
        log "reusing the cached build in $entry"
        mkdir -p "$PREFIX"
        cp -a "$entry/." "$PREFIX/"
        return 0
    fi

    fetch_sources
    build_all
    printf '%s\n' "$stamp" >"$PREFIX/.stamp"
    rm -rf "$WORK"
    store_in_cache "$entry"
    log "done: $PREFIX"
}

main "$@"
