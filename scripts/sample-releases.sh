#!/usr/bin/env bash
# Makes two releases of the sample game with the release tool, for the demo and the crash test:
# <out>/game-1 and <out>/game-2 (the game folders as they should be installed) and
# <out>/release-1 and <out>/release-2 (the release tool's output: manifest.xml and one package
# per group below 1/ or 2/, for server/publish.sh). Release 2 changes some files, adds one, removes one, changes the arguments
# of the "exec" program and the shipped copy of the "restore_only" options file, and leaves the
# game program and the music untouched.
#
# Usage: scripts/sample-releases.sh <release-tool> <game-program> <out> [bulk-files [bulk-bytes
#                                    [large-bytes]]]
#   release-tool  the native brightwell-release
#   game-program  the sample game built for the platform that will run it; installed as
#                 samplegame.exe and as the "exec" program tools/firstrun.exe
#   bulk-files    extra files data/bulk/NNN.bin of bulk-bytes random bytes each (default 0 and
#                 64 KiB) in a group of their own; every third one changes in release 2
#   large-bytes   one more file data/video.bin of that many random bytes (default none), changed
#                 in release 2
set -euo pipefail

if [[ $# -lt 3 ]]; then
    sed -n '2,17p' "$0" >&2
    exit 2
fi
TOOL="$1"
GAME="$2"
OUT="$3"
BULK_FILES="${4:-0}"
BULK_BYTES="${5:-65536}"
LARGE_BYTES="${6:-0}"

random_file() { # <path> <bytes>
    mkdir -p "$(dirname "$1")"
    head -c "$2" /dev/urandom >"$1"
}

# Release 1 from scratch; release 2 starts as a copy of it.
make_game_1() {
    local game="$OUT/game-1" index
    mkdir -p "$game/config" "$game/tools" "$game/data/levels"
    cp "$GAME" "$game/samplegame.exe"
    cp "$GAME" "$game/tools/firstrun.exe"
    printf 'Brightwell sample game, release 1\r\n' >"$game/data/readme.txt"
    printf 'volume=5\r\nfullscreen=0\r\n' >"$game/config/options.ini"
    printf 'Notes of release 1; gone in release 2.\r\n' >"$game/data/old-notes.txt"
    random_file "$game/data/levels/level1.dat" 300000
    random_file "$game/data/levels/level2.dat" 200000
    random_file "$game/data/music.ogg" 1048576
    for ((index = 0; index < BULK_FILES; index++)); do
        random_file "$game/data/bulk/$(printf '%04d' "$index").bin" "$BULK_BYTES"
    done
    if ((LARGE_BYTES > 0)); then
        random_file "$game/data/video.bin" "$LARGE_BYTES"
    fi
}

make_game_2() {
    local game="$OUT/game-2" index
    cp -a "$OUT/game-1" "$game"
    printf 'Brightwell sample game, release 2: three levels now\r\n' >"$game/data/readme.txt"
    printf 'volume=7\r\nfullscreen=1\r\n' >"$game/config/options.ini"
    rm "$game/data/old-notes.txt"
    random_file "$game/data/levels/level2.dat" 250000
    random_file "$game/data/levels/level3.dat" 400000
    for ((index = 0; index < BULK_FILES; index += 3)); do
        random_file "$game/data/bulk/$(printf '%04d' "$index").bin" "$BULK_BYTES"
    done
    if ((LARGE_BYTES > 0)); then
        random_file "$game/data/video.bin" "$LARGE_BYTES"
    fi
}

describe() { # <version>
    cat <<EOF
# Sample game, release $1
group game game.zip
files samplegame.exe tools/ config/
group levels packs/levels.zip
files data/levels/
EOF
    if ((BULK_FILES > 0)); then
        printf 'group bulk packs/bulk.zip\nfiles data/bulk/\n'
    fi
    cat <<EOF
group data packs/data.zip
files *
exec tools/firstrun.exe --first-run release$1
restore_only config/options.ini
EOF
}

rm -rf "$OUT"
mkdir -p "$OUT"
make_game_1
make_game_2
describe 1 >"$OUT/description-1.txt"
describe 2 >"$OUT/description-2.txt"
"$TOOL" --files "$OUT/game-1" --version 1 --output "$OUT/release-1" \
    --description "$OUT/description-1.txt" >/dev/null
"$TOOL" --files "$OUT/game-2" --version 2 --output "$OUT/release-2" \
    --description "$OUT/description-2.txt" --previous "$OUT/release-1/manifest.xml" >/dev/null
