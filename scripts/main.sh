#!/usr/bin/env bash
# The main job: sets the machine up, builds both targets (native and Windows), starts the PHP
# reference server on 127.0.0.1:8080 (the address in gameStates/launcher.xml) and Brightwell.exe
# under Wine with the shipped configuration. With a display the launcher opens there and the
# command ends when its window is closed; without one it runs on a private Xvfb display, a
# picture of its Login screen is saved, and the command says where.
#
# Usage: scripts/main.sh   (as root on Debian 12, from anywhere)
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SCRIPTS="$ROOT/scripts"
WINDOWS_DIR="${BRIGHTWELL_WIN_BUILD_DIR:-$ROOT/build-win}"
PORT=8080

"$SCRIPTS/setup.sh"
"$SCRIPTS/build.sh" all

server_log="$(mktemp "${TMPDIR:-/tmp}/brightwell-main-server.XXXXXX")"
php -S "127.0.0.1:$PORT" -t "$ROOT/server/public" >"$server_log" 2>&1 &
server=$!
stop_server() {
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    rm -f "$server_log"
}
trap stop_server EXIT
for _ in $(seq 50); do
    grep -q "started" "$server_log" && break
    if ! kill -0 "$server" 2>/dev/null; then
        echo "[main] the reference server could not listen on 127.0.0.1:$PORT:" >&2
        cat "$server_log" >&2
        exit 1
    fi
    sleep 0.1
done
echo "[main] reference server on http://127.0.0.1:$PORT (user player, password password)"

if [[ -n "${DISPLAY:-}" ]]; then
    echo "[main] starting Brightwell.exe on $DISPLAY; close its window to end"
    "$SCRIPTS/wine-run.sh" "$WINDOWS_DIR/Brightwell.exe"
else
    echo "[main] no display: starting Brightwell.exe on a private Xvfb display"
    BRIGHTWELL_WIN_BUILD_DIR="$WINDOWS_DIR" "$SCRIPTS/screenshot-login.sh" \
        "$WINDOWS_DIR/login-screen.png"
fi
