#!/usr/bin/env bash
# Installs one large file with the real launcher program and checks it byte for byte: release 2
# of a small game holds data/large.bin of the given size (random bytes; 1.1 GiB by default, more
# than a 32-bit process could hold twice), served by the reference server on 127.0.0.1. The
# installation lies in /dev/shm, a file system of its own, away from the temporary folder (the
# Wine prefix's, or TMPDIR natively), as a game on D: with %TEMP% on C:. Each launcher updates
# unattended (-uac) and must end with code 0, the file and the manifest in place; a second run,
# whose version check then finds nothing to do, must end with 0 as well. Prints each run's peak
# memory (GNU time's maximum resident size; under Wine that of the Windows process) against the
# file's size; the native launcher must stay under 64 MiB.
#
# Usage: scripts/install-check.sh [--bytes N] [--native-only | --wine-only] [--folder DIR]
#   --bytes    size of the large file (default 1181116006, 1.1 GiB); the test command runs 64 MiB
#   --folder   where the installations go (default /dev/shm)
# Needs build/ (brightwell, brightwell-release) and, for Wine, build-win/Brightwell.exe.
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SCRIPTS="$ROOT/scripts"
NATIVE_DIR="${BRIGHTWELL_BUILD_DIR:-$ROOT/build}"
WINDOWS_DIR="${BRIGHTWELL_WIN_BUILD_DIR:-$ROOT/build-win}"
DIGEST=5f4dcc3b5aa765d61d8327deb882cf99
bytes=1181116006
native=1
wine_runs=1
folder=/dev/shm
arguments=("$@")
while [[ $# -gt 0 ]]; do
    case "$1" in
        --bytes) bytes="$2"; shift ;;
        --native-only) wine_runs=0 ;;
        --wine-only) native=0 ;;
        --folder) folder="$2"; shift ;;
        *) sed -n '11,14p' "$0" >&2; exit 2 ;;
    esac
    shift
done

# The whole check runs on one display (Wine needs one) and inside one reference server.
if ((wine_runs)) && [[ -z "${DISPLAY:-}" ]]; then
    exec "$SCRIPTS/with-xvfb.sh" "$0" "${arguments[@]}"
fi
if [[ -z "${BRIGHTWELL_SERVER_URL:-}" ]]; then
    exec "$SCRIPTS/with-reference-server.sh" "$0" "${arguments[@]}"
fi

say() { printf '[install-check] %s\n' "$*"; }
WORK="$(mktemp -d "${TMPDIR:-/tmp}/brightwell-install-check.XXXXXX")"
INSTALL="$(mktemp -d "$folder/brightwell-install-check.XXXXXX")"
trap 'rm -rf "$WORK" "$INSTALL"' EXIT
failed=0

prepare_release() {
    mkdir -p "$WORK/game-1/data" "$WORK/game-2/data"
    printf 'release 1\r\n' >"$WORK/game-1/data/readme.txt"
    printf 'release 2\r\n' >"$WORK/game-2/data/readme.txt"
    head -c 64 /dev/urandom >"$WORK/game-1/data/large.bin"
    head -c "$bytes" /dev/urandom >"$WORK/game-2/data/large.bin"
    local tool="$NATIVE_DIR/tools/release/brightwell-release"
    "$tool" --files "$WORK/game-1" --version 1 --output "$WORK/release-1" >/dev/null &&
        "$tool" --files "$WORK/game-2" --version 2 --output "$WORK/release-2" \
            --previous "$WORK/release-1/manifest.xml" >/dev/null || return 1
    local server="${BRIGHTWELL_SERVER_ROOT%/}"
    "$ROOT/server/publish.sh" "$WORK/release-2/manifest.xml" "$server/release" >/dev/null || return 1
    LARGE_MD5="$(md5sum <"$WORK/game-2/data/large.bin" | cut -d' ' -f1)"
    SERVED_MANIFEST_MD5="$(sed -z 's/[\r\n]*$//' "$WORK/release-2/manifest.xml" | md5sum | cut -d' ' -f1)"
    rm -rf "$WORK/game-2"
}

# <kind> <program> <gameStates> <command...>: installs release 1 with the launcher, updates twice.
check() {
    local kind="$1" program="$2" states="$3" install="$INSTALL/$1"
    shift 3
    mkdir -p "$install"
    cp -a "$WORK/game-1/." "$install/"
    cp "$WORK/release-1/manifest.xml" "$install/"
    cp "$program" "$install/"
    cp -a "$states" "$install/gameStates"
    sed -i "s|<URL>[^<]*</URL>|<URL>$BRIGHTWELL_SERVER_URL</URL>|" "$install/gameStates/launcher.xml"
    local run status peak start=$SECONDS
    for run in 1 2; do
        (cd "$install" && timeout 1800 /usr/bin/time -f '%M' -o "$WORK/$kind-$run.peak" "$@" \
            >"$WORK/$kind-$run.log" 2>&1)
        status=$?
        peak="$(tail -n 1 "$WORK/$kind-$run.peak")"
        say "$kind run $run: exit code $status, $((SECONDS - start)) s, peak memory" \
            "$((peak / 1024)) MiB for a file of $((bytes >> 20)) MiB"
        if [[ $status -ne 0 ]]; then
            say "FAILED $kind: the update did not complete: $(tail -n 3 "$WORK/$kind-$run.log")"
            return 1
        fi
        # Natively the process is the launcher alone; under Wine it holds Wine's own libraries.
        if [[ $kind == native ]] && ((peak >= 64 * 1024)); then
            say "FAILED $kind: the memory grew with the file (goal: under 64 MiB)"
            return 1
        fi
        start=$SECONDS
    done
    if [[ "$(md5sum <"$install/data/large.bin" | cut -d' ' -f1)" != "$LARGE_MD5" ]]; then
        say "FAILED $kind: data/large.bin is not release 2's"
        return 1
    fi
    if [[ "$(md5sum <"$install/manifest.xml" | cut -d' ' -f1)" != "$SERVED_MANIFEST_MD5" ]]; then
        say "FAILED $kind: the manifest was not committed"
        return 1
    fi
    say "ok $kind: the file is release 2's byte for byte and the manifest committed"
    rm -rf "$install"
}

main() {
    say "release 2: data/large.bin of $bytes bytes; installations in $folder"
    prepare_release || { say "could not make the releases"; exit 1; }
    if ((native)); then
        TMPDIR="$WORK" XDG_DOCUMENTS_DIR="$INSTALL/native.docs" \
            check native "$NATIVE_DIR/brightwell" "$NATIVE_DIR/gameStates" \
            ./brightwell -uac -u player -p "$DIGEST" || failed=1
    fi
    if ((wine_runs)); then
        export WINEPREFIX="${BRIGHTWELL_WINEPREFIX:-$WINDOWS_DIR/wineprefix}" WINEARCH=win32
        export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
        "$SCRIPTS/wine-run.sh" --init "$WINDOWS_DIR" || exit 1
        check wine "$WINDOWS_DIR/Brightwell.exe" "$WINDOWS_DIR/gameStates" \
            wine Brightwell.exe -uac -u player -p "$DIGEST" || failed=1
        wineserver -w
    fi
    exit "$failed"
}

main
