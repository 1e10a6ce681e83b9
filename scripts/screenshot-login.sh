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
command -v import >/dev/null || { echo "[screenshot] ImageMagick's import is missing" >&2; exit 2; }
if [[ -z "${DISPLAY:-}" ]]; then
    exec "$SCRIPTS/with-xvfb.sh" "$0" "$@"
fi

"$SCRIPTS/wine-run.sh" "$BUILD/Brightwell.exe" &
launcher=$!

# The window exists once import finds it by its title; the Login screen is painted a moment later.
captured=1
for _ in $(seq 120); do
    if import -window "$TITLE" "$PICTURE" 2>/dev/null; then
        sleep 2
        import -window "$TITLE" "$PICTURE" && captured=0
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
