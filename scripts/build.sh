#!/usr/bin/env bash
# Configures and builds the native build (build/, with benchmarks) and the 32-bit Windows cross
# build (build-win/), warnings as errors. Both are attempted; exits non-zero if either failed.
#
# Usage: scripts/build.sh [native|windows|all]   (default: all)
# BRIGHTWELL_JOBS sets the parallel jobs (default: number of cores); BRIGHTWELL_BUILD_DIR and
# BRIGHTWELL_WIN_BUILD_DIR move the two build folders.
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
NATIVE_DIR="${BRIGHTWELL_BUILD_DIR:-$ROOT/build}"
WINDOWS_DIR="${BRIGHTWELL_WIN_BUILD_DIR:-$ROOT/build-win}"
JOBS="${BRIGHTWELL_JOBS:-$(nproc)}"

log() { printf '\n[build] %s\n' "$*"; }

build_native() {
    log "native build in $NATIVE_DIR"
    cmake -G Ninja -S "$ROOT" -B "$NATIVE_DIR" \
        -DBRIGHTWELL_WERROR=ON -DBRIGHTWELL_TESTS=ON -DBRIGHTWELL_BENCH=ON &&
        cmake --build "$NATIVE_DIR" -j "$JOBS"
}

build_windows() {
    log "Windows (i686 mingw-w64) build in $WINDOWS_DIR"
    "$ROOT/scripts/build-windows-deps.sh" "$WINDOWS_DIR" &&
        cmake -G Ninja -S "$ROOT" -B "$WINDOWS_DIR" \
            -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
            -DBRIGHTWELL_WERROR=ON -DBRIGHTWELL_TESTS=ON -DBRIGHTWELL_BENCH=OFF &&
        cmake --build "$WINDOWS_DIR" -j "$JOBS"
}

main() {
    local which="${1:-all}" failed=()
    case "$which" in
        native | windows | all) ;;
        *)
            echo "usage: $0 [native|windows|all]" >&2
            exit 2
            ;;
    esac
    if [[ "$which" != windows ]]; then
        build_native || failed+=(native)
    fi
    if [[ "$which" != native ]]; then
        build_windows || failed+=(windows)
    fi
    if [[ ${#failed[@]} -gt 0 ]]; then
        log "FAILED: ${failed[*]} build"
        exit 1
    fi
    log "build succeeded: $which"
}

main "$@"
