#!/usr/bin/env bash
# Takes a picture of the launcher's Login screen: starts Brightwell.exe of the Windows build under
# Wine with its shipped configuration (on a private Xvfb display when there is no DISPLAY), waits
# for the window, saves it with ImageMagick's import, then closes the launcher again.
#
# Usage: scripts/screenshot-login.sh [picture.png]   (default: <build folder>/login-screen.png)
# BRIGHTWELL_WIN_BUILD_DIR names the Windows build folder (default: build-win).
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SCRIPTS="$ROOT/scripts"
BUILD="${BRIGHTWELL_WIN_BUILD_DIR:-$ROOT/build-win}"
PICTURE="${1:-$BUILD/login-screen.png}"
TITLE="Brightwell Launcher"

if [[ ! -f "$BUILD/Brightwell.exe" || ! -f "$BUILD/tests/launcher_smoke.exe" ]]; then
    echo "[screenshot] build the Windows target first: scripts/build.sh windows" >&2
    exit 2
fi
for tool in import xwininfo; do
    command -v "$tool" >/dev/null || { echo "[screenshot] $tool is missing (scripts/setup.sh)" >&2; exit 2; }
done
if [[ -z "${DISPLAY:-}" ]]; then
    exec "$SCRIPTS/with-xvfb.sh" "$0" "$@"
fi

"$SCRIPTS/wine-run.sh" "$BUILD/Brightwell.exe" &
launcher=$!

# Waits for the window by its title (import alone would wait for a mouse click when there is no
# such window); the Login screen is painted a moment after the window appears.
captured=1
for _ in $(seq 120); do
    window="$(xwininfo -name "$TITLE" 2>/dev/null | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p')"
    if [[ -n "$window" ]]; then
        sleep 2
        import -window "$window" "$PICTURE" && captured=0
        break
    fi
    kill -0 "$launcher" 2>/dev/null || break
    sleep 0.5
done

"$SCRIPTS/wine-run.sh" "$BUILD/tests/launcher_smoke.exe" --close >/dev/null
wait "$launcher"
if [[ $captured -ne 0 ]]; then
    echo "[screenshot] the launcher window did not appear" >&2
    exit 1
fi
echo "[screenshot] Login screen saved to $PICTURE"
