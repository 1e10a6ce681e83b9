#!/usr/bin/env bash
# Times an up-to-date start of the native headless launcher against the reference server on
# 127.0.0.1: from the launcher's start with the player's credentials ("-uac", a start-up login)
# through the version check to the StartGame screen, where the game starts (this elevated copy
# ends there instead). Once with the shipped configuration, and once, as the baseline of the same
# run, with the version check at its built-in pace of one second a step; prints the median of
# RUNS starts of each and their ratio.
#
# Usage: scripts/start-time.sh   (after scripts/build.sh native)
# RUNS sets the starts of each (default 5); BRIGHTWELL_BUILD_DIR moves the build folder.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PROGRAM="${BRIGHTWELL_BUILD_DIR:-$ROOT/build}/brightwell"
RUNS="${RUNS:-5}"
PLAYER_DIGEST=5f4dcc3b5aa765d61d8327deb882cf99

[[ -x "$PROGRAM" ]] || {
    echo "[start-time] no $PROGRAM: run scripts/build.sh native first" >&2
    exit 2
}
if [[ -z "${BRIGHTWELL_SERVER_URL:-}" ]]; then
    exec "$ROOT/scripts/with-reference-server.sh" bash "${BASH_SOURCE[0]}"
fi

WORK="$(mktemp -d "${TMPDIR:-/tmp}/brightwell-start-time.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT

# An installation holding the server's current manifest version ("1" in its default
# configuration), the launcher and the shipped configuration pointed at the server.
install() {
    local folder="$WORK/$1"
    mkdir -p "$folder/gameStates" "$folder/documents"
    cp "$PROGRAM" "$folder/brightwell"
    cp "$ROOT/gameStates/logo.bmp" "$folder/gameStates/"
    sed "s|<URL>[^<]*</URL>|<URL>$BRIGHTWELL_SERVER_URL</URL>|" "$ROOT/gameStates/launcher.xml" \
        >"$folder/gameStates/launcher.xml"
    printf '<manifest version="1"/>\n' >"$folder/manifest.xml"
}

# The median of RUNS starts in the installation, in seconds.
median_start() {
    local folder="$WORK/$1" run start end
    for ((run = 0; run < RUNS; run++)); do
        start="$(date +%s.%N)"
        (cd "$folder" && XDG_DOCUMENTS_DIR="$folder/documents" ./brightwell -uac -u player \
            -p "$PLAYER_DIGEST" >/dev/null 2>&1) || {
            echo "[start-time] the launcher failed; its log:" >&2
            cat "$folder/documents/Brightwell/configuration/launcher.log" >&2
            exit 1
        }
        end="$(date +%s.%N)"
        awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", b - a }'
    done | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

install shipped
install baseline
sed -i '/<messageDisplayTime>/d' "$WORK/baseline/gameStates/launcher.xml"
shipped="$(median_start shipped)"
baseline="$(median_start baseline)"
echo "Up-to-date start to the game's start, median of $RUNS:"
echo "  shipped configuration          ${shipped} s"
echo "  built-in pace (the baseline)   ${baseline} s"
awk -v a="$shipped" -v b="$baseline" 'BEGIN { printf "  ratio                          %.2f\n", a / b }'
