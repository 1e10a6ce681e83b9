#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine and exits with the program's status.
# The Wine prefix is private to the build folder holding the program (<build folder>/wineprefix,
# created on first use); without DISPLAY a private Xvfb serves the run. The program's standard
# output and error both arrive on standard output.
#
# Usage: scripts/wine-run.sh program.exe [arguments...]
#        scripts/wine-run.sh --init <build folder>   (only prepares that folder's prefix)
# Set BRIGHTWELL_WINEPREFIX to use another prefix.
set -uo pipefail

SCRIPTS="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

usage() {
    echo "usage: $0 program.exe [arguments...] | $0 --init <build folder>" >&2
    exit 2
}

# The build folder is the nearest folder above the program that holds a CMake cache.
build_folder() {
    local folder
    folder="$(dirname "$(realpath "$1")")"
    while [[ "$folder" != "/" ]]; do
        if [[ -f "$folder/CMakeCache.txt" ]]; then
            printf '%s\n' "$folder"
            return
        fi
        folder="$(dirname "$folder")"
    done
    dirname "$(realpath "$1")"
}

use_prefix() {
    export WINEPREFIX="${BRIGHTWELL_WINEPREFIX:-$1/wineprefix}"
    export WINEARCH=win32
    export WINEDEBUG=-all
    # No Mono or Gecko installer prompts: nothing here needs .NET or HTML rendering.
    export WINEDLLOVERRIDES="mscoree,mshtml="
}

# Wine links the profile's Documents, Desktop and the like to the home folder; real folders keep
# what the programs write there (the launcher's configuration) inside the prefix.
own_profile_folders() {
    local link
    for link in "$WINEPREFIX/drive_c/users/$(id -un)"/*; do
        if [[ -L "$link" ]]; then
            rm "$link" && mkdir "$link" || return 1
        fi
    done
}

# Creates the prefix once, also over a prefix that some other Wine tool created first.
prepare_prefix() {
    local ready="$WINEPREFIX/.brightwell-ready-own-profile"
    [[ -f "$ready" ]] && return 0
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        [[ -f "$ready" ]] && exit 0
        echo "[wine-run] preparing Wine prefix $WINEPREFIX" >&2
        # A crash prints a backtrace and ends the program instead of waiting on a dialog.
        # Windows are not handed to a window manager: with none on Xvfb, hiding or destroying a
        # shown window would otherwise wait two seconds for one to answer.
        wineboot -i >/dev/null 2>&1 &&
            wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
                >/dev/null 2>&1 &&
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
                >/dev/null 2>&1 &&
            wineserver -w &&
            own_profile_folders &&
            touch "$ready"
    ) 9>"$WINEPREFIX.lock"
    if [[ ! -f "$ready" ]]; then
        echo "[wine-run] could not prepare the Wine prefix $WINEPREFIX" >&2
        return 1
    fi
}

run_program() {
    local output status
    output="$(mktemp "${TMPDIR:-/tmp}/brightwell-wine.XXXXXX")"
    # Windows text ends lines with CR LF; plain LF keeps test runners' lines readable.
    wine "$@" 2>&1 | sed -u 's/\r$//' | tee "$output"
    status=${PIPESTATUS[0]}
    # Wine may report a crashed program's status as 0 while its debugger takes over: never a pass.
    if [[ $status -eq 0 ]] && grep -q '^wine: Unhandled' "$output"; then
        echo "[wine-run] $1 crashed" >&2
        status=1
    fi
    rm -f "$output"
    return "$status"
}

main() {
    [[ $# -gt 0 ]] || usage
    if [[ "$1" == --init ]]; then
        [[ $# -eq 2 ]] || usage
        use_prefix "$(realpath -m "$2")"
        prepare_prefix
        return
    fi
    if [[ ! -f "$1" ]]; then
        echo "[wine-run] no such program: $1" >&2
        return 2
    fi
    if [[ -z "${DISPLAY:-}" ]]; then
        # Let Wine wind down before the private display goes away.
        BRIGHTWELL_WINE_WAIT=1 exec "$SCRIPTS/with-xvfb.sh" "$0" "$@"
    fi
    use_prefix "$(build_folder "$1")"
    prepare_prefix || return 1
    local status=0
    run_program "$@" || status=$?
    if [[ -n "${BRIGHTWELL_WINE_WAIT:-}" ]]; then
        wineserver -w
    fi
    return "$status"
}

main "$@"
