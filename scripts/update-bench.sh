#!/usr/bin/env bash
# The update benchmark (a benchmark, not a test): one group whose package holds 2,000 files of
# 100 KiB of random bytes (about 200 MiB, stored), made by the release tool, served by the
# reference server on 127.0.0.1, installed over an older release of the same 2,000 names by
# bench/UpdateBench (the launcher's states, headless, real main loop and clock). Prints the time
# of each phase from "ManifestUpdate" to "StartGame", the Extract phase's time per action against
# the loop's pacing, and the peak memory against the package size; checks that every installed
# file is the new release's.
#
# Usage: scripts/update-bench.sh   after a native build with benchmarks (build-bench/ if it
#        exists, else build/; BRIGHTWELL_BENCH_DIR chooses)
# UPDATE_BENCH_FILES and UPDATE_BENCH_FILE_BYTES change the sizes (default 2000 and 102400).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
FILES="${UPDATE_BENCH_FILES:-2000}"
FILE_BYTES="${UPDATE_BENCH_FILE_BYTES:-102400}"
BUILD="${BRIGHTWELL_BENCH_DIR:-}"
if [[ -z "$BUILD" ]]; then
    BUILD="$ROOT/build"
    [[ -x "$ROOT/build-bench/bench/UpdateBench" ]] && BUILD="$ROOT/build-bench"
fi
NATIVE="${BRIGHTWELL_BUILD_DIR:-$ROOT/build}"

if [[ -z "${BRIGHTWELL_SERVER_URL:-}" ]]; then
    exec "$ROOT/scripts/with-reference-server.sh" "$0" "$@"
fi

WORK="$(mktemp -d "${TMPDIR:-/tmp}/brightwell-update-bench.XXXXXX")"
trap '[[ -n "${UPDATE_BENCH_KEEP:-}" ]] || rm -rf "$WORK"' EXIT
say() { printf '[update-bench] %s\n' "$*"; }

# <folder> <bytes per file>: FILES files data/NNNN.bin cut from one stream of random bytes.
game_folder() {
    mkdir -p "$1/data"
    head -c $(($2 * FILES)) /dev/urandom | split -b "$2" -d -a 4 --additional-suffix=.bin - "$1/data/"
}

say "making release 1 ($FILES files of 64 bytes) and release 2 ($FILES files of $FILE_BYTES bytes)"
game_folder "$WORK/game-1" 64
game_folder "$WORK/game-2" "$FILE_BYTES"
TOOL="$NATIVE/tools/release/brightwell-release"
"$TOOL" --files "$WORK/game-1" --version 1 --output "$WORK/release-1" >/dev/null
"$TOOL" --files "$WORK/game-2" --version 2 --output "$WORK/release-2" \
    --previous "$WORK/release-1/manifest.xml" >/dev/null
package_bytes="$(stat -c %s "$WORK/release-2/2/game.zip")"
"$ROOT/server/publish.sh" "$WORK/release-2/manifest.xml" "${BRIGHTWELL_SERVER_ROOT%/}/release" \
    >/dev/null

install="$WORK/install"
cp -a "$WORK/game-1" "$install"
cp "$WORK/release-1/manifest.xml" "$install/manifest.xml"
cp -a "$NATIVE/gameStates" "$install/gameStates"
sed "s|<URL>[^<]*</URL>|<URL>$BRIGHTWELL_SERVER_URL</URL>|" "$NATIVE/gameStates/launcher.xml" \
    >"$install/launcher.xml"

say "package: $package_bytes bytes; benchmark program: $BUILD/bench/UpdateBench"
"$BUILD/bench/UpdateBench" "$install" 2/manifest.xml "$package_bytes" "$FILES"

if diff -r -q "$WORK/game-2/data" "$install/data" >/dev/null &&
    cmp -s <(sed -z 's/[\r\n]*$//' "$WORK/release-2/manifest.xml") "$install/manifest.xml"; then
    say "every installed file is release 2's, and its manifest is in place (as served: without" \
        "its trailing line end)"
else
    say "the installation is not release 2"
    exit 1
fi
