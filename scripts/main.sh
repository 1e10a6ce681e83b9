#!/usr/bin/env bash
# The main job, a demo of the whole system: builds what it needs, makes two releases of the
# sample game with the release tool (scripts/sample-releases.sh), serves the newer one from the
# reference server on 127.0.0.1:8080 (the address in gameStates/launcher.xml; another free port,
# written into the demo's copy of the configuration, when 8080 is taken), installs the older one
# beside Brightwell.exe in a scratch folder and starts it under Wine with the shipped
# configuration.
#
# With a display (DISPLAY set) the launcher opens there: log in as "player" with the password
# "password" and watch the update; the sample game starts at the end. Without one, everything
# runs on a private Xvfb display and a small driver (samples/demodriver) logs in through the real
# controls; a picture of every screen and a report (what was updated, how long each screen
# lasted, the game's command line, the launcher's log) go to a results folder named at the end.
# Two up-to-date starts without pictures then time "Log in" to the game's start: one at the
# version check's built-in pace (the baseline), one with the shipped configuration.
#
# Usage: scripts/main.sh   (as root on Debian 12, from anywhere)
# BRIGHTWELL_DEMO_DIR chooses the results folder (default: demo-results/<time> in the repository).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SCRIPTS="$ROOT/scripts"
NATIVE_DIR="${BRIGHTWELL_BUILD_DIR:-$ROOT/build}"
WINDOWS_DIR="${BRIGHTWELL_WIN_BUILD_DIR:-$ROOT/build-win}"
JOBS="${BRIGHTWELL_JOBS:-$(nproc)}"
USER_NAME=player
PASSWORD=password
SHIPPED_PORT=8080

say() { printf '[main] %s\n' "$*"; }

build() {
    say "building the release tool (native) and Brightwell.exe, the sample game and the demo driver (Windows)"
    cmake -G Ninja -S "$ROOT" -B "$NATIVE_DIR" -DBRIGHTWELL_WERROR=ON -DBRIGHTWELL_TESTS=ON \
        -DBRIGHTWELL_BENCH=ON >/dev/null
    cmake --build "$NATIVE_DIR" -j "$JOBS" --target brightwell-release
    "$SCRIPTS/build-windows-deps.sh" "$WINDOWS_DIR"
    cmake -G Ninja -S "$ROOT" -B "$WINDOWS_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
        -DBRIGHTWELL_WERROR=ON -DBRIGHTWELL_TESTS=ON -DBRIGHTWELL_BENCH=OFF >/dev/null
    cmake --build "$WINDOWS_DIR" -j "$JOBS" --target Brightwell samplegame brightwell-demo-driver
}

# ---- the reference server ----

port_listens() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

free_port() {
    php -r '$s = stream_socket_server("tcp://127.0.0.1:0"); echo parse_url("tcp://" . stream_socket_get_name($s, false), PHP_URL_PORT);'
}

# Serves release 2 with a scratch copy of the configuration; sets PORT.
start_server() {
    mkdir -p "$WORK/server/releases"
    cp "$ROOT/server/ksserver.config.php" "$WORK/server/ksserver.config.php"
    "$ROOT/server/publish.sh" "$WORK/releases/release-2/manifest.xml" "$WORK/server/releases" \
        >/dev/null
    PORT=$SHIPPED_PORT
    if port_listens "$PORT"; then
        PORT="$(free_port)"
        say "127.0.0.1:$SHIPPED_PORT is taken; the demo uses port $PORT"
    fi
    KSSERVER_CONFIG="$WORK/server/ksserver.config.php" php -q -d opcache.enable=0 \
        -d display_errors=0 -d log_errors=1 -d error_log="$WORK/server/errors.log" \
        -S "127.0.0.1:$PORT" -t "$ROOT/server/public" >"$WORK/server/server.log" 2>&1 &
    SERVER_PID=$!
    for _ in $(seq 100); do
        port_listens "$PORT" && return 0
        kill -0 "$SERVER_PID" 2>/dev/null || break
        sleep 0.1
    done
    say "the reference server did not start:"
    cat "$WORK/server/server.log" >&2
    return 1
}

# ---- the installation ----

install_release_1() {
    INSTALL="$WORK/install"
    mkdir -p "$INSTALL"
    cp -a "$WORK/releases/game-1/." "$INSTALL/"
    cp "$WORK/releases/release-1/manifest.xml" "$INSTALL/manifest.xml"
    cp "$WINDOWS_DIR/Brightwell.exe" "$INSTALL/"
    cp -a "$WINDOWS_DIR/gameStates" "$INSTALL/gameStates"
    if [[ "$PORT" != "$SHIPPED_PORT" ]]; then
        sed -i "s|<URL>http://127.0.0.1:$SHIPPED_PORT</URL>|<URL>http://127.0.0.1:$PORT</URL>|" \
            "$INSTALL/gameStates/launcher.xml"
    fi
}

# ---- the run ----

wine_environment() {
    export WINEPREFIX="${BRIGHTWELL_WINEPREFIX:-$WINDOWS_DIR/wineprefix}" WINEARCH=win32
    export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    "$SCRIPTS/wine-run.sh" --init "$WINDOWS_DIR"
}

watch_on_display() {
    say "Brightwell.exe opens on $DISPLAY: log in as \"$USER_NAME\", password \"$PASSWORD\""
    (cd "$INSTALL" && wine Brightwell.exe) || true
}

# The driver announces each screen while the launcher is held still; the picture is taken then.
drive_without_display() {
    local line number name
    coproc DRIVER { wine "$WINDOWS_DIR/samples/brightwell-demo-driver.exe" \
        "Z:${INSTALL//\//\\}" "$USER_NAME" "$PASSWORD" 2>&1 | sed -u 's/\r$//'; }
    while IFS= read -r line <&"${DRIVER[0]}"; do
        case "$line" in
            "SCREEN "*)
                read -r _ number name <<<"$line"
                import -window root "$RESULTS/$(printf '%02d' "$number")-$name.png"
                say "screen $number: $name"
                echo ok >&"${DRIVER[1]}"
                ;;
            SHORT* | PHASE* | EXIT*) printf '%s\n' "$line" >>"$WORK/driver-figures" ;;
            *) printf '%s\n' "$line" ;;
        esac
    done
    wait "$DRIVER_PID" || true
}

# One start without pictures, timed from "Log in" on; its figures to the standard output.
timed_start() {
    wine "$WINDOWS_DIR/samples/brightwell-demo-driver.exe" "Z:${INSTALL//\//\\}" \
        "$USER_NAME" "$PASSWORD" --timing 2>&1 | sed -u 's/\r$//' || true
    wineserver -w
}

# The installation is up to date now: a start with the built-in pace of the version check (one
# second a step) as the baseline, then one with the shipped configuration.
time_up_to_date_start() {
    local configuration="$INSTALL/gameStates/launcher.xml"
    cp "$configuration" "$WORK/shipped-launcher.xml"
    sed -i '/<messageDisplayTime>/d' "$configuration"
    timed_start >"$WORK/baseline-figures"
    cp "$WORK/shipped-launcher.xml" "$configuration"
    timed_start >"$WORK/timing-figures"
}

# What changed on disk, from release 1's files to the installation after the run.
updated_files() {
    local name
    (cd "$WORK/releases/game-2" && find . -type f -printf '%P\n' | LC_ALL=C sort) |
        while IFS= read -r name; do
            if [[ ! -f "$WORK/releases/game-1/$name" ]]; then
                printf '  added     %s\n' "$name"
            elif ! cmp -s "$WORK/releases/game-1/$name" "$INSTALL/$name"; then
                printf '  replaced  %s\n' "$name"
            elif ! cmp -s "$WORK/releases/game-2/$name" "$INSTALL/$name"; then
                printf '  kept      %s (the player'"'"'s copy of a restore_only file)\n' "$name"
            fi
        done
    (cd "$WORK/releases/game-1" && find . -type f -printf '%P\n' | LC_ALL=C sort) |
        while IFS= read -r name; do
            [[ -f "$WORK/releases/game-2/$name" ]] || {
                [[ -e "$INSTALL/$name" ]] && printf '  NOT removed %s\n' "$name" ||
                    printf '  removed   %s\n' "$name"
            }
        done
}

# The launcher's log lies in its configuration folder below the Windows user's documents; the
# update's run is kept before the timed run starts the file afresh.
keep_log() {
    local log="$WINEPREFIX/drive_c/users/$(id -un)/Documents/Brightwell/configuration/launcher.log"
    [[ ! -f "$log" ]] || cp "$log" "$RESULTS/launcher.log"
}

# One line per screen of an update, in the order the launcher passes through them: how long it
# lasted and its pictures, or that it was too short to photograph.
screen_lines() {
    local screen seconds pictures
    for screen in Login CheckVersion ManifestUpdate GroupUpdate-Examine GroupUpdate-Download \
        GroupUpdate-Extract StartGame; do
        seconds="$(awk -v s="$screen" '$1 == "PHASE" && $2 == s { printf "%8.3f", $3 }' "$1")"
        pictures="$(cd "$RESULTS" && ls -- [0-9][0-9]-"$screen".png [0-9][0-9]-"$screen"-*.png \
            2>/dev/null | tr '\n' ' ')"
        if [[ -z "$pictures" ]]; then
            pictures="(too short to photograph)"
        fi
        printf '  %-22s %8s  %s\n' "$screen" "${seconds:----}" "$pictures"
    done
}

# The timed starts: Log in to the game's start with the shipped pacing and the baseline, their
# ratio, and the shipped run's screens.
start_lines() {
    local shipped baseline
    shipped="$(awk '$1 == "LOGIN-TO-GAME" { print $2 }' "$WORK/timing-figures")"
    baseline="$(awk '$1 == "LOGIN-TO-GAME" { print $2 }' "$WORK/baseline-figures")"
    echo "  Log in -> the game's start: ${shipped:-?} s shipped, ${baseline:-?} s built-in pace" \
        "(ratio $(awk -v a="$shipped" -v b="$baseline" 'BEGIN { if (a > 0 && b > 0) printf "%.2f", a / b; else print "?" }'))"
    awk '$1 == "PHASE" { printf "  %-22s %8.3f\n", $2, $3 }' "$WORK/timing-figures"
    echo "  Launcher exit code: $(awk '$1 == "EXIT" { print $2 }' "$WORK/timing-figures")"
}

write_report() {
    local report="$RESULTS/report.txt" log="$RESULTS/launcher.log"
    [[ -f "$log" ]] || log=""
    {
        echo "Brightwell demo, $(date -u '+%Y-%m-%d %H:%M:%S UTC')"
        echo "server: http://127.0.0.1:$PORT (reference server, release 2); installation: $INSTALL"
        echo
        echo "Manifest before: $(grep -o '<manifest version="[^"]*"' "$WORK/releases/release-1/manifest.xml" | cut -c11-)"
        echo "Manifest after:  $(grep -o '<manifest version="[^"]*"' "$INSTALL/manifest.xml" | cut -c11-)"
        echo
        echo "What was updated:"
        updated_files
        echo
        echo "Screens in the order the launcher passed through them, how long each lasted (seconds,"
        echo "the pauses for the pictures left out; --- for a screen gone before the driver's two looks"
        echo "10 ms apart) and their pictures:"
        screen_lines "$WORK/driver-figures"
        echo "Launcher exit code: $(grep '^EXIT' "$WORK/driver-figures" | awk '{ print $2 }')"
        echo
        echo "An up-to-date start with the shipped configuration (a later run, no pictures), against"
        echo "the same start paced by the built-in one second a step of the version check:"
        start_lines
        echo
        echo "The game was started with: $(cat "$INSTALL/samplegame-commandline.txt" 2>/dev/null || echo '(not started)')"
        echo "The exec program tools/firstrun.exe ran with: $(cat "$INSTALL/tools/samplegame-commandline.txt" 2>/dev/null || echo '(not run)')"
        echo
        echo "Pictures: $(cd "$RESULTS" && ls ./*.png 2>/dev/null | tr '\n' ' ')"
        if [[ -n "$log" ]]; then
            echo
            echo "The launcher's log of the update ($log):"
            sed 's/\r$//; s/^/  /' "$log"
        fi
    } >"$report"
    cat "$report"
}

main() {
    "$SCRIPTS/setup.sh"
    build
    WORK="$(mktemp -d "${TMPDIR:-/tmp}/brightwell-demo.XXXXXX")"
    RESULTS="${BRIGHTWELL_DEMO_DIR:-$ROOT/demo-results/$(date -u +%Y%m%d-%H%M%S)}"
    mkdir -p "$RESULTS"
    SERVER_PID=""
    trap '[[ -n "$SERVER_PID" ]] && kill "$SERVER_PID" 2>/dev/null; rm -rf "$WORK"' EXIT

    "$SCRIPTS/sample-releases.sh" "$NATIVE_DIR/tools/release/brightwell-release" \
        "$WINDOWS_DIR/samples/samplegame.exe" "$WORK/releases" 40 262144
    say "releases 1 and 2 of the sample game made with brightwell-release"
    start_server
    say "reference server on http://127.0.0.1:$PORT serves release 2"
    install_release_1
    say "release 1 installed beside Brightwell.exe in $INSTALL"
    wine_environment

    if [[ -n "${DISPLAY:-}" ]]; then
        watch_on_display
        say "the game was started with: $(cat "$INSTALL/samplegame-commandline.txt" 2>/dev/null || echo '(not started)')"
        return
    fi
    : >"$WORK/driver-figures"
    : >"$WORK/timing-figures"
    : >"$WORK/baseline-figures"
    export -f drive_without_display timed_start time_up_to_date_start keep_log say
    export INSTALL RESULTS WORK WINDOWS_DIR USER_NAME PASSWORD
    # One private display for the launcher, the driver and the pictures.
    DISPLAY="" "$SCRIPTS/with-xvfb.sh" bash -c \
        'drive_without_display; wineserver -w; keep_log; time_up_to_date_start'
    write_report
    say "pictures and report: $RESULTS"
    grep -q "user=$USER_NAME&password=" "$INSTALL/samplegame-commandline.txt"
}

main "$@"
