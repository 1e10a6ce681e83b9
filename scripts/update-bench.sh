#!/usr/bin/env bash
# The update benchmark (a benchmark, not a test): one group whose package holds 2,000 files of
# 100 KiB of random bytes (about 200 MiB, stored), made by the release tool, served by the
# reference server on 127.0.0.1, installed over an older release of the same 2,000 names by
# bench/UpdateBench (the launcher's states, headless, real main loop and clock). Prints the time
# of each phase from "ManifestUpdate" to "StartGame", the Extract phase's longest single update,
# the processor time, and the peak memory against the package size; checks that every installed
# file is the new release's. The update runs twice on fresh installations: first with a copy of
# the manifest without its "md5" attributes (no digest is taken), then with the manifest as
# released, and the cost of the MD5 check is printed as the ratio of the two. Release 2 is signed;
# a third run configures the launcher with its public key (the signature checked, and the
# package's SHA-256 before it is mounted), and the cost of that verification is printed as the
# ratio to the second run, the same update without a key. Then the same package is extracted by
# Python's zipfile into a fresh folder, each file flushed to the device (the baseline of the
# Extract phase), and the last line compares the second run's Extract phase with it:
#   update-bench: extract <N> files <s> s; baseline <s> s; ratio <x>; peak <MiB> MiB; longest
#   update <ms> ms           (one line; goals: ratio at most 1.5, longest update at most 25 ms)
#
# Usage: scripts/update-bench.sh   after a native build with benchmarks (build-bench/ if it
#        exists, else build/; BRIGHTWELL_BENCH_DIR chooses)
# UPDATE_BENCH_FILES and UPDATE_BENCH_FILE_BYTES change the sizes (default 2000 and 102400);
# UPDATE_BENCH_LARGE_BYTES adds one file data/large.bin of that size to the package (the memory
# benchmark: 1024 files and 1932735283 bytes make a 1.9 GiB package holding a 1.8 GiB file);
# UPDATE_BENCH_BASELINE=0 skips the run without the MD5 check and the run with the key (not
# the zipfile baseline); UPDATE_BENCH_STEPS=<n> lists the n longest single steps of each run's
# Extract phase.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
FILES="${UPDATE_BENCH_FILES:-2000}"
FILE_BYTES="${UPDATE_BENCH_FILE_BYTES:-102400}"
LARGE_BYTES="${UPDATE_BENCH_LARGE_BYTES:-0}"
BASELINE="${UPDATE_BENCH_BASELINE:-1}"
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

# <folder> <bytes per file> [large bytes]: FILES files data/NNNN.bin cut from one stream of
# random bytes, and data/large.bin when large bytes are given.
game_folder() {
    mkdir -p "$1/data"
    head -c $(($2 * FILES)) /dev/urandom | split -b "$2" -d -a "$(( ${#FILES} > 4 ? ${#FILES} : 4 ))" --additional-suffix=.bin - "$1/data/"
    if (("${3:-0}" > 0)); then
        head -c "$3" /dev/urandom >"$1/data/large.bin"
    fi
}

say "making release 1 ($FILES files of 64 bytes) and release 2 ($FILES files of $FILE_BYTES bytes" \
    "and $LARGE_BYTES large bytes)"
game_folder "$WORK/game-1" 64 "$((LARGE_BYTES > 0 ? 64 : 0))"
game_folder "$WORK/game-2" "$FILE_BYTES" "$LARGE_BYTES"
TOOL="$NATIVE/tools/release/brightwell-release"
"$TOOL" --files "$WORK/game-1" --version 1 --output "$WORK/release-1" >/dev/null
KEY_LINE="$("$TOOL" keygen --secret-key "$WORK/secret.key" 2>/dev/null)"
"$TOOL" --files "$WORK/game-2" --version 2 --output "$WORK/release-2" \
    --previous "$WORK/release-1/manifest.xml" --sign "$WORK/secret.key" >/dev/null
package_bytes="$(stat -c %s "$WORK/release-2/2/game.zip")"
actions=$((FILES + (LARGE_BYTES > 0 ? 1 : 0)))
SERVER_ROOT="${BRIGHTWELL_SERVER_ROOT%/}"
"$ROOT/server/publish.sh" "$WORK/release-2/manifest.xml" "$SERVER_ROOT/release" >/dev/null
# The same release with no "md5" attribute: the launcher then takes no digest.
sed 's/ md5="[^"]*"//' "$WORK/release-2/manifest.xml" >"$SERVER_ROOT/release/2/manifest-no-md5.xml"

# <manifest name> <label> [configuration line]: one update of a fresh installation of release 1,
# with the line added to the launcher's configuration; prints UpdateBench's report and leaves the
# Extract, Download and processor seconds in extract_seconds, download_seconds and processor.
update_once() {
    local install="$WORK/install" report
    rm -rf "$install"
    cp -a "$WORK/game-1" "$install"
    cp "$WORK/release-1/manifest.xml" "$install/manifest.xml"
    cp -a "$NATIVE/gameStates" "$install/gameStates"
    sed -e "s|<URL>[^<]*</URL>|<URL>$BRIGHTWELL_SERVER_URL</URL>${3:-}|" \
        "$NATIVE/gameStates/launcher.xml" >"$install/launcher.xml"
    say "$2"
    report="$("$BUILD/bench/UpdateBench" "$install" "$1" "$package_bytes" "$actions")"
    printf '%s\n' "$report"
    extract_seconds="$(awk '$1 == "GroupUpdate/Extract" { print $2 }' <<<"$report")"
    download_seconds="$(awk '$1 == "GroupUpdate/Download" { print $2 }' <<<"$report")"
    processor="$(awk '/^processor time/ { print $(NF - 1) }' <<<"$report")"
    longest_ms="$(awk '/longest update/ { print $(NF - 1) }' <<<"$report")"
    peak_mib="$(awk '/^peak memory/ { print $3 }' <<<"$report")"
    if diff -r -q "$WORK/game-2/data" "$install/data" >/dev/null &&
        cmp -s <(sed -z 's/[\r\n]*$//' "$SERVER_ROOT/release/$1") "$install/manifest.xml"; then
        say "every installed file is release 2's, and its manifest is in place (as served:" \
            "without its trailing line end)"
    else
        say "the installation is not release 2"
        exit 1
    fi
}

# Seconds that Python's zipfile takes to extract the package into a fresh folder, flushing each
# file to the device before the next: what a careful unzip costs on this disk.
zipfile_seconds() {
    rm -rf "$WORK/unzipped"
    python3 - "$WORK/release-2/2/game.zip" "$WORK/unzipped" <<'PYTHON'
import os, shutil, sys, time, zipfile
package, target = sys.argv[1], sys.argv[2]
start = time.monotonic()
with zipfile.ZipFile(package) as archive:
    for info in archive.infolist():
        path = os.path.join(target, info.filename)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with archive.open(info) as source, open(path, "wb") as out:
            shutil.copyfileobj(source, out, 65536)
            out.flush()
            os.fsync(out.fileno())
print(f"{time.monotonic() - start:.3f}")
PYTHON
    rm -rf "$WORK/unzipped"
}

say "package: $package_bytes bytes; benchmark program: $BUILD/bench/UpdateBench"
if ((BASELINE)); then
    update_once 2/manifest-no-md5.xml "baseline: the manifest without md5 attributes (no digest)"
    baseline_extract="$extract_seconds" baseline_processor="$processor"
fi
baseline_seconds="$(zipfile_seconds)"
say "baseline: Python's zipfile extracts the package into a fresh folder, a flush per file:" \
    "$baseline_seconds s"
update_once 2/manifest.xml "the release's manifest: every installed file's MD5 checked"
release_extract="$extract_seconds" release_peak="$peak_mib" release_longest="$longest_ms"
if ((BASELINE)); then
    say "$(awk -v e="$extract_seconds" -v be="$baseline_extract" -v p="$processor" \
        -v bp="$baseline_processor" 'BEGIN { printf "MD5 check: Extract %.3f s against %.3f s " \
        "(ratio %.3f); processor %.3f s against %.3f s (ratio %.3f)", e, be, e / be, p, bp, p / bp }')"
fi
if ((BASELINE)); then
    unsigned_download="$download_seconds" unsigned_processor="$processor"
    update_once 2/manifest.xml "the same with the publisher's key: signature and SHA-256 checked" \
        "$KEY_LINE"
    say "$(awk -v d="$download_seconds" -v bd="$unsigned_download" -v p="$processor" \
        -v bp="$unsigned_processor" 'BEGIN { printf "verification: Download %.3f s against %.3f s " \
        "(ratio %.3f); processor %.3f s against %.3f s (ratio %.3f)", d, bd, d / bd, p, bp, p / bp }')"
fi
awk -v n="$actions" -v e="$release_extract" -v b="$baseline_seconds" -v p="$release_peak" \
    -v l="$release_longest" 'BEGIN { printf "update-bench: extract %d files %.3f s; baseline %.3f s; " \
    "ratio %.2f; peak %.1f MiB; longest update %.1f ms\n", n, e, b, e / b, p, l }'
