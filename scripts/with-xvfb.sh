#!/usr/bin/env bash
# Runs a command with an X display: the current one if DISPLAY is set, else a private Xvfb on a
# free display that is stopped afterwards. Exits with the command's status.
#
# Usage: scripts/with-xvfb.sh command [arguments...]
set -uo pipefail

if [[ $# -eq 0 ]]; then
    echo "usage: $0 command [arguments...]" >&2
    exit 2
fi
if [[ -n "${DISPLAY:-}" ]]; then
    exec "$@"
fi

scratch="$(mktemp -d "${TMPDIR:-/tmp}/brightwell-xvfb.XXXXXX")"
xvfb_pid=""
cleanup() {
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# -displayfd makes Xvfb choose a free display itself and print its number once it accepts clients.
Xvfb -displayfd 1 -nolisten tcp -screen 0 1024x768x24 >"$scratch/display" 2>"$scratch/log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [[ -s "$scratch/display" ]] && break
    if ! kill -0 "$xvfb_pid" 2>/dev/null; then
        echo "[with-xvfb] Xvfb did not start:" >&2
        cat "$scratch/log" >&2
        xvfb_pid=""
        exit 1
    fi
    sleep 0.1
done
if [[ ! -s "$scratch/display" ]]; then
    echo "[with-xvfb] Xvfb gave no display within 10 s" >&2
    exit 1
fi
DISPLAY=":$(tr -d '[:space:]' <"$scratch/display")"
export DISPLAY

"$@"
