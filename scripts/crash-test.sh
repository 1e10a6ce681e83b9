#!/usr/bin/env bash
# Crash safety of the update, proven with real kills: the launcher updates an installation of
# sample release 1 to release 2 (both made by the release tool, served by the reference server on
# 127.0.0.1) and is killed with SIGKILL from outside at chosen points of its Download and Extract
# phases (tests/crash/KillWatch.cpp watches its file activity with inotify), also inside the
# download and the installation of one large file. After every kill each installed file must be
# byte for byte the file of release 1 or of release 2, never anything else (a truncated or empty
# file); then the launcher runs again and must end with an installation byte-identical to that of
# an uninterrupted update, manifest included. The launcher stages its downloads and new copies in
# .brightwell/ inside the installation, which the checks leave out.
#
# Resuming across runs: the native launcher is killed half-way through a 64 MiB package (served
# by nginx at 32 MiB/s, whose access log counts the bytes sent); the next run must download at
# most 60 % of the package again and end byte-identical to release 2.
#
# Usage: scripts/crash-test.sh [--all] [--native-only]
#   default        a short set of kill points: natively with the headless launcher (-uac), one
#                  resume across runs, and two with Brightwell.exe under Wine
#   --all          every kill point (31 native, 3 resumes, 7 under Wine)
#   --native-only  no Wine runs
# Needs build/ (brightwell, brightwell-release, samplegame, tests/kill-watch) and, for Wine,
# build-win/Brightwell.exe. Prints one line per kill point and the figures at the end; exits
# non-zero if any kill point failed.
set -uo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SCRIPTS="$ROOT/scripts"
NATIVE_DIR="${BRIGHTWELL_BUILD_DIR:-$ROOT/build}"
WINDOWS_DIR="${BRIGHTWELL_WIN_BUILD_DIR:-$ROOT/build-win}"
USER_NAME=player
DIGEST=5f4dcc3b5aa765d61d8327deb882cf99
BULK_FILES=120
# One file that takes many 64 KiB pieces to install, so that kills land inside it.
LARGE_BYTES=$((16 * 1024 * 1024))

all=0
wine_runs=1
for argument in "$@"; do
    case "$argument" in
        --all) all=1 ;;
        --native-only) wine_runs=0 ;;
        *)
            sed -n '16,24p' "$0" >&2
            exit 2
            ;;
    esac
done

# The whole test runs on one display (Wine needs one) and inside one reference server.
if ((wine_runs)) && [[ -z "${DISPLAY:-}" ]]; then
    exec "$SCRIPTS/with-xvfb.sh" "$0" "$@"
fi
if [[ -z "${BRIGHTWELL_SERVER_URL:-}" ]]; then
    exec "$SCRIPTS/with-reference-server.sh" "$0" "$@"
fi
SERVER_ROOT="${BRIGHTWELL_SERVER_ROOT%/}"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/brightwell-crash.XXXXXX")"
trap 'rm -rf "$WORK"' EXIT
KILL_WATCH="$NATIVE_DIR/tests/kill-watch"
passed=0
failed=0
failures=()

say() { printf '[crash-test] %s\n' "$*"; }

# Counts one kill point: passed (its folder goes) when verdict is empty, else failed under label.
count_verdict() {
    local verdict="$1" folder="$2" label="$3" success="$4"
    if [[ -z "$verdict" ]]; then
        passed=$((passed + 1))
        say "ok      $success"
        rm -rf "$folder" "$folder.docs"
    else
        failed=$((failed + 1))
        failures+=("$label")
        say "FAILED  $label: $verdict"
    fi
}

# ---- releases and server ----

prepare_releases() {
    "$SCRIPTS/sample-releases.sh" "$NATIVE_DIR/tools/release/brightwell-release" \
        "$NATIVE_DIR/samples/samplegame" "$WORK/releases" "$BULK_FILES" 65536 "$LARGE_BYTES" ||
        return 1
    "$ROOT/server/publish.sh" "$WORK/releases/release-2/manifest.xml" "$SERVER_ROOT/release" \
        >/dev/null
}

# The digest of a manifest as the launcher stores it: the server sends it without its trailing
# line ends.
served_md5() { sed -z 's/[\r\n]*$//' "$1" | md5sum | cut -d' ' -f1; }

# "md5 name" of each file named on standard input, one a line, in that order: one md5sum for
# them all (unescaped names), as every kill point digests the installation three times.
digest_lines() {
    tr '\n' '\0' | xargs -0 -r md5sum --zero | tr '\0' '\n' | sed 's/  / /'
}

# "md5 name" of every file of a game folder, sorted by name.
digests_of() {
    (cd "$1" && find . -type f -printf '%P\n' | LC_ALL=C sort | digest_lines)
}

# The installation's own files: everything but the launcher, its configuration, its staging
# folder (downloads and files being written) and the record of the started "exec" program, whose
# time of writing is the detached program's own.
installation_digests() {
    (cd "$1" && find . -type f -printf '%P\n' | grep -v -E \
        '^(brightwell|Brightwell\.exe|gameStates/.*|\.brightwell/.*)$|samplegame-commandline\.txt' |
        LC_ALL=C sort | digest_lines)
}

# ---- installations ----

# A fresh installation of release 1 beside a launcher: <folder> <launcher program> <gameStates>
# [<folder of the release pair>].
install_release_1() {
    local folder="$1" program="$2" states="$3" releases="${4:-$WORK/releases}"
    rm -rf "$folder"
    mkdir -p "$folder"
    cp -a "$releases/game-1/." "$folder/"
    cp "$releases/release-1/manifest.xml" "$folder/manifest.xml"
    cp "$program" "$folder/"
    cp -a "$states" "$folder/gameStates"
    # The pauses of the version check and the game's start (readable messages for a player) and
    # the wait before a retry are shortened: the update is what is under test.
    sed -i -e "s|<URL>[^<]*</URL>|<URL>$BRIGHTWELL_SERVER_URL</URL>|" \
        -e "s|<messageDisplayTime>[^<]*<|<messageDisplayTime>0.01<|" \
        -e "s|<localVerLingerTime>[^<]*<|<localVerLingerTime>0.05<|" \
        -e "s|<lingerTime>[^<]*<|<lingerTime>0.05<|" \
        -e "s|<retryWait>[^<]*<|<retryWait>0.01<|" \
        "$folder/gameStates/launcher.xml"
}

# Checks that every file of the installation is release 1's or release 2's, byte for byte.
check_between_runs() {
    local folder="$1" digest name problems=0
    while read -r digest name; do
        if [[ "$name" == manifest.xml ]]; then
            [[ "$digest" == "$(md5sum <"$WORK/releases/release-1/manifest.xml" | cut -d' ' -f1)" ||
                "$digest" == "$(served_md5 "$WORK/releases/release-2/manifest.xml")" ]] &&
                continue
        fi
        say "  $name is neither release's file (md5 $digest, $(stat -c %s "$folder/$name") bytes)"
        problems=$((problems + 1))
    done < <(installation_digests "$folder" |
        grep -v -x -F -f <(cat "$WORK/digests-1" "$WORK/digests-2"))
    # A file of both releases must be there all the time: only added files may still be missing
    # and only removed ones may be gone already.
    while read -r name; do
        [[ -f "$folder/$name" ]] && continue
        say "  $name, a file of both releases, is missing"
        problems=$((problems + 1))
    done < <(comm -12 <(cut -d' ' -f2- "$WORK/digests-1" | LC_ALL=C sort) \
        <(cut -d' ' -f2- "$WORK/digests-2" | LC_ALL=C sort))
    [[ $problems -eq 0 ]]
}

# ---- native runs ----

native_run() { # <folder>: the headless launcher, unattended, with documents of its own
    local folder="$1"
    (cd "$folder" && XDG_DOCUMENTS_DIR="$folder.docs" HOME="$folder.docs" \
        ./brightwell -uac -u "$USER_NAME" -p "$DIGEST")
}

# The staging folder is made beforehand (the launcher takes a real folder as it is), so that the
# watch is in place before the first write into it.
staging_folder() { # <folder>
    mkdir -p "$1/.brightwell"
}

native_folders() { # <folder>
    staging_folder "$1"
    mkdir -p "$1.docs"
}

# <label> <kill-watch options...>: kills a native run, checks, runs again, compares.
native_kill_point() {
    local label="$1" folder="$WORK/native-$(( passed + failed ))"
    shift
    install_release_1 "$folder" "$NATIVE_DIR/brightwell" "$NATIVE_DIR/gameStates"
    native_folders "$folder"
    local watch_output
    watch_output="$("$KILL_WATCH" "$@" --folder "$folder" \
        -- env XDG_DOCUMENTS_DIR="$folder.docs" HOME="$folder.docs" \
        bash -c 'cd "$1" && exec ./brightwell -uac -u "$2" -p "$3"' _ \
        "$folder" "$USER_NAME" "$DIGEST" 2>&1)"
    finish_kill_point "native" "$label" "$folder" "$?" "$watch_output" native_run
}

# <kind> <label> <folder> <kill-watch status> <its output> <rerun command>
finish_kill_point() {
    local kind="$1" label="$2" folder="$3" status="$4" output="$5" rerun="$6" verdict=""
    # How far the update had come: changed files already new, files half-way.
    local pending progress
    pending="$(find "$folder" -name '*.updating' | wc -l)"
    progress="$(installation_digests "$folder" | grep -c -x -F -f <(
        LC_ALL=C comm -13 <(LC_ALL=C sort "$WORK/digests-1") <(LC_ALL=C sort "$WORK/digests-2")))"
    if [[ $status -ne 0 ]]; then
        verdict="the kill point was not reached: $(tail -n 1 <<<"$output")"
    elif ! check_between_runs "$folder"; then
        verdict="after the kill a file was neither release's, or missing"
    elif ! "$rerun" "$folder" >"$folder.rerun.log" 2>&1; then
        verdict="the second run failed (log: $(tail -n 3 "$folder.rerun.log" | tr '\n' ' '))"
    elif ! diff <(installation_digests "$folder") "$WORK/reference-$kind" >"$folder.diff"; then
        verdict="the installation differs from the uninterrupted update: $(tr '\n' ' ' <"$folder.diff")"
    fi
    count_verdict "$verdict" "$folder" "$kind $label" \
        "$kind $label: $progress of $CHANGED changed files new, $pending half-way"
}

# The uninterrupted update, whose result every interrupted one must reach.
reference_run() { # <kind> <install> <run>
    local kind="$1" folder="$WORK/reference-$1-install" start=$SECONDS
    "$2" "$folder"
    if ! "$3" "$folder" >"$folder.log" 2>&1; then
        say "the uninterrupted $kind update failed:"
        cat "$folder.log"
        return 1
    fi
    installation_digests "$folder" >"$WORK/reference-$kind"
    say "uninterrupted $kind update: $((SECONDS - start)) s"
    # It must be release 2 (the player's options file kept), or the comparisons prove nothing.
    local expected
    expected="$(grep -v ' config/options.ini$' "$WORK/digests-2"
        grep ' config/options.ini$' "$WORK/digests-1"
        printf '%s manifest.xml\n' "$(served_md5 "$WORK/releases/release-2/manifest.xml")")"
    if ! diff <(LC_ALL=C sort -k2 <<<"$expected" | grep -v samplegame-commandline) \
        <(LC_ALL=C sort -k2 "$WORK/reference-$kind") >"$WORK/reference-$kind.diff"; then
        say "the uninterrupted $kind update did not install release 2:"
        cat "$WORK/reference-$kind.diff"
        return 1
    fi
}

install_native_reference() {
    install_release_1 "$1" "$NATIVE_DIR/brightwell" "$NATIVE_DIR/gameStates"
    native_folders "$1"
}

# Kill points: <label>|<kill-watch options>. Packages are staged as .brightwell/package-<path>,
# installed files written as .brightwell/<n>-<name>.updating and moved over the installed name;
# the large file data/video.bin is written in 256 pieces. Points inside one file go by time after
# its first write: inotify merges a file's writes that queue up unread, so their count depends on
# how busy the machine is.
NATIVE_SHORT=(
    "mid-write of the first package|--at modified:1:game.zip"
    "after the third package was stored|--at written:1:bulk.zip"
    "mid-write of the first installed file|--at modified:1:.updating"
    "after 1 file was moved into place|--at moved:1:"
    "after 12 files were moved into place|--at moved:12:"
    "as the 30th new copy was closed, about to move|--at written:30:.updating"
    "20 ms into the large file's new copy|--at modified:1:video.bin.updating --delay 20"
)
NATIVE_MORE=(
    "as the server manifest was stored|--at written:1:manifest.xml"
    "5 ms after the server manifest was stored|--at written:1:manifest.xml --delay 5"
    "after the first package was stored|--at written:1:game.zip"
    "mid-write of the second package|--at modified:1:levels.zip"
    "after the second package was stored|--at written:1:levels.zip"
    "mid-write of the third package|--at modified:1:bulk.zip"
    "3 ms into the last package's download|--at written:1:bulk.zip --delay 3"
    "after the last package was stored|--at written:1:data.zip"
    "after 2 files were moved into place|--at moved:2:"
    "after 5 files were moved into place|--at moved:5:"
    "after 20 files were moved into place|--at moved:20:"
    "after 35 files were moved into place|--at moved:35:"
    "after 40 files were moved into place|--at moved:40:"
    "as the 10th new copy was closed, about to move|--at written:10:.updating"
    "at the 25th write to a new copy|--at modified:25:.updating"
    "after the exec program was moved into place|--at moved:1:firstrun.exe"
    "40 ms into the download of the package with the large file|--at modified:1:data.zip --delay 40"
    "at the first write to the large file's new copy|--at modified:1:video.bin.updating"
    "60 ms into the large file's new copy|--at modified:1:video.bin.updating --delay 60"
    "as the large file's copy was closed, about to move|--at written:1:video.bin.updating"
    "after the large file was moved into place|--at moved:1:video.bin"
)

# Inside one batch: new copies are written and left open, then each copy's bytes are waited for,
# each is flushed and closed, and only then are they moved into place one by one. The second
# batch holds the two levels and the 40 changed bulk files (the "exec" program's batch is the
# first; the removal in the data group closes the second): the 20th changed bulk file is
# data/bulk/0057.bin, the last 0117.bin.
NATIVE_BATCH=(
    "between two writes of a batch, at the 20th bulk copy's first write|--at modified:1:0057.bin.updating"
    "between a batch's flush and its moves, as its last copy was closed|--at written:1:0117.bin.updating"
    "between two moves of a batch, after the 21st bulk file's|--at moved:1:0060.bin"
)

run_native_points() {
    local entry points=("${NATIVE_SHORT[@]}")
    ((all)) && points+=("${NATIVE_MORE[@]}" "${NATIVE_BATCH[@]}")
    for entry in "${points[@]}"; do
        # shellcheck disable=SC2086 # the options are words
        native_kill_point "${entry%%|*}" ${entry#*|}
    done
}

# ---- resuming across runs ----

RESUME_BYTES=$((64 * 1024 * 1024))
# Fractions of the package at which the first run is killed; the short run takes the first.
RESUME_POINTS=(50 20 85)

# Its own releases with the 64 MiB file, published to its own nginx deployment.
prepare_resume_server() {
    # shellcheck source=scripts/server-processes.sh
    source "$SCRIPTS/server-processes.sh"
    RESUME="$WORK/resume"
    mkdir -p "$RESUME/server/release" "$RESUME/run"
    "$SCRIPTS/sample-releases.sh" "$NATIVE_DIR/tools/release/brightwell-release" \
        "$NATIVE_DIR/samples/samplegame" "$RESUME/releases" 4 4096 "$RESUME_BYTES" >/dev/null ||
        return 1
    "$ROOT/server/publish.sh" "$RESUME/releases/release-2/manifest.xml" \
        "$RESUME/server/release" >/dev/null || return 1
    sed "s|'releaseFolder' => 'releases',|'releaseFolder' => 'release',|" \
        "$ROOT/server/ksserver.config.php" >"$RESUME/server/ksserver.config.php"
    printf 'limit_rate 32m;\n' >"$RESUME/rate.conf"
    RESUME_PORT="$(start_nginx_deployment "$RESUME/run" "$RESUME/server/ksserver.config.php" \
        "$RESUME/server/release" "$RESUME/rate.conf")" || return 1
    digests_of "$RESUME/releases/game-2" | grep -v ' config/options.ini$' >"$RESUME/expected"
}

# Bytes nginx sent for the package's requests since the access log had <lines> lines.
package_bytes_sent() { # <lines>
    tail -n +"$(($1 + 1))" "$RESUME/run/access.log" | grep 'data\.zip' |
        awk '{ sum += $8 } END { print sum + 0 }'
}

# <percent>: kills the first run once the staged package holds that share, runs again, checks.
resume_kill_point() {
    local percent="$1" folder="$WORK/resume-$1" verdict="" pid size lines again
    install_release_1 "$folder" "$NATIVE_DIR/brightwell" "$NATIVE_DIR/gameStates" \
        "$RESUME/releases"
    sed -i "s|<URL>[^<]*</URL>|<URL>http://127.0.0.1:$RESUME_PORT</URL>|" \
        "$folder/gameStates/launcher.xml"
    native_folders "$folder"
    setsid bash -c 'cd "$1" && exec ./brightwell -uac -u "$2" -p "$3"' _ "$folder" \
        "$USER_NAME" "$DIGEST" >"$folder.first.log" 2>&1 &
    pid=$!
    for _ in $(seq 3000); do
        size="$(stat -c %s "$folder"/.brightwell/package-*data.zip 2>/dev/null || echo 0)"
        ((size * 100 >= RESUME_BYTES * percent)) && break
        sleep 0.01
    done
    kill -KILL -- "-$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    lines="$(wc -l <"$RESUME/run/access.log")"
    if ((size * 100 < RESUME_BYTES * percent)); then
        verdict="the package never reached $percent % ($size bytes)"
    elif ! native_run "$folder" >"$folder.rerun.log" 2>&1; then
        verdict="the second run failed (log: $(tail -n 3 "$folder.rerun.log" | tr '\n' ' '))"
    elif ! diff <(installation_digests "$folder" | grep -v -E ' (manifest.xml|config/options.ini)$') \
        "$RESUME/expected" >"$folder.diff"; then
        verdict="the installation is not release 2: $(tr '\n' ' ' <"$folder.diff")"
    fi
    again="$(package_bytes_sent "$lines")"
    if [[ -z "$verdict" ]] && ((again * 100 > RESUME_BYTES * (100 - percent + 10))); then
        verdict="the second run downloaded $again bytes of the package again"
    fi
    count_verdict "$verdict" "$folder" "resume at $percent %" \
        "native killed at $((size * 100 / RESUME_BYTES)) % of the package: the next run downloaded $((again * 100 / RESUME_BYTES)) % of it"
}

run_resume_points() {
    prepare_resume_server || { say "could not serve the resume releases"; failed=$((failed + 1)); return; }
    local percent points=("${RESUME_POINTS[0]}")
    ((all)) && points=("${RESUME_POINTS[@]}")
    for percent in "${points[@]}"; do
        resume_kill_point "$percent"
    done
    stop_servers
}

# ---- Wine runs ----

WINE_POINTS_SHORT=(
    "after the last package was stored|--at written:1:data.zip"
    "after 8 files were moved into place|--at moved:8:"
)
WINE_POINTS_MORE=(
    "mid-write of the third package|--at modified:1:bulk.zip"
    "mid-write of the first installed file|--at modified:1:.updating"
    "after 25 files were moved into place|--at moved:25:"
    "as the 35th new copy was closed, about to move|--at written:35:.updating"
    "20 ms into the large file's new copy|--at modified:1:video.bin.updating --delay 20"
)

wine_environment() {
    export WINEPREFIX="${BRIGHTWELL_WINEPREFIX:-$WINDOWS_DIR/wineprefix}" WINEARCH=win32
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    "$SCRIPTS/wine-run.sh" --init "$WINDOWS_DIR"
}

wine_run() { # <folder>
    (cd "$1" && wine Brightwell.exe -uac -u "$USER_NAME" -p "$DIGEST" 2>&1)
}

install_wine() {
    install_release_1 "$1" "$WINDOWS_DIR/Brightwell.exe" "$WINDOWS_DIR/gameStates"
    staging_folder "$1"
}

wine_kill_point() {
    local label="$1" folder="$WORK/wine-$(( passed + failed ))"
    shift
    install_wine "$folder"
    local watch_output
    watch_output="$("$KILL_WATCH" "$@" --folder "$folder" \
        -- bash -c 'cd "$1" && exec wine Brightwell.exe -uac -u "$2" -p "$3"' _ \
        "$folder" "$USER_NAME" "$DIGEST" 2>&1)"
    local status=$?
    finish_kill_point "wine" "$label" "$folder" "$status" "$watch_output" wine_run
}

run_wine_points() {
    wine_environment || return 1
    reference_run wine install_wine wine_run || return 1
    local entry points=("${WINE_POINTS_SHORT[@]}")
    ((all)) && points+=("${WINE_POINTS_MORE[@]}")
    for entry in "${points[@]}"; do
        # shellcheck disable=SC2086
        wine_kill_point "${entry%%|*}" ${entry#*|}
    done
}

main() {
    local start=$SECONDS
    for program in "$NATIVE_DIR/brightwell" "$KILL_WATCH" "$NATIVE_DIR/samples/samplegame" \
        "$NATIVE_DIR/tools/release/brightwell-release"; do
        [[ -x "$program" ]] || { say "missing $program: build first (scripts/build.sh)"; exit 2; }
    done
    prepare_releases || { say "could not make the releases"; exit 1; }
    digests_of "$WORK/releases/game-1" >"$WORK/digests-1"
    digests_of "$WORK/releases/game-2" >"$WORK/digests-2"
    say "release 2: $(grep -c '<file' "$WORK/releases/release-2/manifest.xml") files, packages: $(
        cd "$WORK/releases/release-2" && find . -name '*.zip' -printf '%P %s bytes, ' )"
    CHANGED="$(LC_ALL=C comm -13 <(LC_ALL=C sort "$WORK/digests-1") <(LC_ALL=C sort "$WORK/digests-2") |
        grep -c -v ' config/options.ini$')"
    reference_run native install_native_reference native_run || exit 1
    run_native_points
    run_resume_points
    local native_seconds=$((SECONDS - start))
    if ((wine_runs)); then
        if [[ ! -f "$WINDOWS_DIR/Brightwell.exe" ]]; then
            say "missing $WINDOWS_DIR/Brightwell.exe: build the Windows target first"
            failed=$((failed + 1))
        else
            run_wine_points || failed=$((failed + 1))
            # Wine winds down before the display goes away.
            wineserver -w
        fi
    fi
    say "native part: ${native_seconds} s; whole run: $((SECONDS - start)) s"
    say "kill points: $passed passed, $failed failed${failures:+ (${failures[*]})}"
    [[ $failed -eq 0 ]]
}

main
