#!/usr/bin/env bash
# Load test of the reference server on 127.0.0.1 (a benchmark, not a test: it asserts nothing).
# In one run, against the nginx deployment of server/deploy/ (file bodies handed to nginx) and
# against PHP's built-in server, plus nginx sending the same file as a plain static file for the
# baseline: PLAYERS players each download a PACKAGE_MIB MiB package ROUNDS times in a row, paced
# to RATE per player at every moment (bench/SlowPlayers.cpp), while TEXT_CLIENTS clients send auth
# and ver2 requests as fast as they can for SECONDS_TEXT seconds (wrk). Everything is bounded: a
# download still running DEADLINE seconds after the start of its phase is cut and counted as
# incomplete.
#
# Usage: scripts/load-test.sh            (needs nginx, php-fpm, wrk, g++: scripts/setup.sh)
# Environment: PLAYERS (200), ROUNDS (1), PACKAGE_MIB (20), RATE (2M), TEXT_CLIENTS (20),
#              SECONDS_TEXT (30), DEADLINE (60), PHASES ("nginx static nginx static builtin")
#
# Reports per phase: text requests per second, their 50th and 99th percentile latency and bad
# replies (wrk); downloads completed with the right MD5, cut at the deadline, or wrong (short,
# refused, other bytes); aggregate download
# throughput (bytes received over the time to the last download's end); the peak of the summed
# resident memory of the server processes (sampled every 0.5 s). The closing line gives the ratio
# of the hand-off's download throughput to the static baseline, each the mean of its phases: the
# two alternate so that other work on the machine weighs on both alike.
set -uo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=scripts/server-processes.sh
source "$REPO/scripts/server-processes.sh"

PLAYERS="${PLAYERS:-200}"
ROUNDS="${ROUNDS:-1}"
PACKAGE_MIB="${PACKAGE_MIB:-20}"
RATE="${RATE:-2M}"
TEXT_CLIENTS="${TEXT_CLIENTS:-20}"
SECONDS_TEXT="${SECONDS_TEXT:-30}"
DEADLINE="${DEADLINE:-60}"
PHASES="${PHASES:-nginx static nginx static builtin}"
DIGEST=5f4dcc3b5aa765d61d8327deb882cf99
SCRIPT=/ksclient/ksserver.php

for tool in nginx wrk g++ php md5sum; do
    command -v "$tool" >/dev/null || { echo "[load] $tool is missing: run scripts/setup.sh" >&2; exit 2; }
done

scratch="$(mktemp -d "${TMPDIR:-/tmp}/brightwell-load.XXXXXX")"
trap 'stop_servers; rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM

# "2M" → 2097152, "500K" → 512000, plain numbers as they are.
rate_bytes() {
    local rate="$1"
    case "$rate" in
    *[kK]) echo $((${rate%?} * 1024)) ;;
    *[mM]) echo $((${rate%?} * 1048576)) ;;
    *) echo "$rate" ;;
    esac
}

prepare_files() {
    g++ -O2 -std=c++17 "$REPO/bench/SlowPlayers.cpp" -lcrypto -o "$scratch/SlowPlayers" || exit 1
    mkdir -p "$scratch/release" "$scratch/nginx" "$scratch/builtin"
    cp "$REPO/server/ksserver.config.php" "$scratch/ksserver.config.php"
    head -c "$((PACKAGE_MIB * 1048576))" /dev/urandom >"$scratch/release/package.zip"
    md5sum <"$scratch/release/package.zip" | cut -c1-32 >"$scratch/package.md5"
    cat >"$scratch/text.lua" <<EOF
-- Alternates the login and the version check; counts replies that are not "OK...".
local paths = {
    "$SCRIPT?action=auth&pw=$DIGEST&uid=player",
    "$SCRIPT?action=ver2&app=1&man=1&pw=$DIGEST&uid=player&ver=l20101210",
}
local threads = {}
local turn = 0
bad = 0
setup = function(thread) table.insert(threads, thread) end
request = function()
    turn = turn + 1
    return wrk.format("GET", paths[turn % 2 + 1])
end
response = function(status, headers, body)
    if status ~= 200 or string.sub(body, 1, 2) ~= "OK" then bad = bad + 1 end
end
done = function(summary, latency, requests)
    local wrong = 0
    for _, thread in ipairs(threads) do wrong = wrong + thread:get("bad") end
    io.write(string.format("TEXT %d %d %d %d %d %d\n", summary.requests, summary.duration,
        latency:percentile(50), latency:percentile(99), wrong,
        summary.errors.connect + summary.errors.read + summary.errors.write
            + summary.errors.status + summary.errors.timeout))
end
EOF
}

static_block() {
    local port="$1"
    cat >"$scratch/static.conf" <<EOF
server {
    listen 127.0.0.1:$port;
    server_tokens off;
    access_log off;
    location /static-release/ {
        alias $scratch/release/;
        sendfile on;
        tcp_nopush on;
    }
}
EOF
}

# Summed resident memory (KiB) of the processes below the given ones, sampled until stopped.
sample_memory() {
    local out="$1" peak=0 total pids
    shift
    while true; do
        pids="$(printf '%s,' "$@")"
        total="$(ps -o rss= -p "${pids%,}" --ppid "${pids%,}" 2>/dev/null | awk '{ s += $1 } END { print s + 0 }')"
        ((total > peak)) && peak=$total && echo "$peak" >"$out"
        sleep 0.5
    done
}

# Runs one phase: downloads from download_port/download_path and text requests against
# text_base together.
run_phase() {
    local name="$1" download_port="$2" download_path="$3" text_base="$4"
    shift 4
    local dir sampler players
    dir="$(mktemp -d "$scratch/phase-$name.XXXX")"
    echo 0 >"$dir/memory"
    sample_memory "$dir/memory" "$@" &
    sampler=$!
    "$scratch/SlowPlayers" "$download_port" "$download_path" "$PLAYERS" "$ROUNDS" \
        "$(rate_bytes "$RATE")" "$DEADLINE" "$(cat "$scratch/package.md5")" >"$dir/players.log" 2>&1 &
    players=$!
    wrk -t2 -c"$TEXT_CLIENTS" -d"${SECONDS_TEXT}s" --timeout 5s -s "$scratch/text.lua" \
        "$text_base" >"$dir/wrk.log" 2>&1
    # The players end by themselves at the deadline at the latest.
    wait "$players"
    kill "$sampler" 2>/dev/null
    wait "$sampler" 2>/dev/null
    report_phase "$name" "$dir"
}

report_phase() {
    local name="$1" dir="$2"
    sed -n 's/^intact=\([0-9]*\) cut=\([0-9]*\) bad=\([0-9]*\) bytes=\([0-9]*\) seconds=\([0-9.]*\)$/\1 \2 \3 \4 \5/p' \
        "$dir/players.log" | awk -v name="$name" '{
        printf "%-8s downloads: %d intact, %d cut at the deadline, %d wrong; %.1f MiB/s over %.1f s\n",
            name, $1, $2, $3, $4 / 1048576 / $5, $5
        printf "%.3f\n", $4 / 1048576 / $5 >> "'"$scratch/throughput-$name"'" }'
    grep -q '^intact=' "$dir/players.log" || { echo "$name downloads: failed:"; cat "$dir/players.log"; }
    awk -v name="$name" '/^TEXT / {
        printf "%-8s text: %.0f requests/s, p50 %.1f ms, p99 %.1f ms, %d bad replies, %d socket errors\n",
            name, $2 / ($3 / 1e6), $4 / 1000, $5 / 1000, $6, $7 }' "$dir/wrk.log"
    grep -q '^TEXT ' "$dir/wrk.log" || { echo "$name text: wrk failed:"; cat "$dir/wrk.log"; }
    printf '%-8s peak memory of the server processes: %d MiB (sum of resident sizes)\n' \
        "$name" "$(($(cat "$dir/memory") / 1024))"
}

mean() {
    [[ -s "$1" ]] && awk '{ s += $1 } END { printf "%.3f", s / NR }' "$1"
}

server_pids() { printf '%s\n' "${SERVER_PIDS[@]}"; }

main() {
    prepare_files
    local static_port nginx_port builtin_port pids
    static_port="$(free_port)"
    static_block "$static_port"
    SERVER_OPCACHE=on start_nginx_deployment "$scratch/nginx" "$scratch/ksserver.config.php" \
        "$scratch/release" "$scratch/static.conf" >"$scratch/nginx/port" || exit 1
    nginx_port="$(cat "$scratch/nginx/port")"
    mapfile -t pids < <(server_pids)
    SERVER_OPCACHE=on start_builtin_server "$scratch/builtin" "$scratch/ksserver.config.php" \
        >"$scratch/builtin/port" || exit 1
    builtin_port="$(cat "$scratch/builtin/port")"
    local builtin_pid="${SERVER_PIDS[-1]}"
    local nginx="http://127.0.0.1:$nginx_port" builtin="http://127.0.0.1:$builtin_port"
    local query="$SCRIPT?action=download_pf&dirfile=package.zip&pw=$DIGEST&uid=player"
    echo "[load] $PLAYERS players x $ROUNDS downloads of $PACKAGE_MIB MiB at $RATE/s each," \
        "$TEXT_CLIENTS text clients for ${SECONDS_TEXT}s, deadline ${DEADLINE}s per phase"
    local phase
    for phase in $PHASES; do
        case "$phase" in
        nginx) run_phase nginx "$nginx_port" "$query" "$nginx" "${pids[@]}" ;;
        static) run_phase static "$static_port" /static-release/package.zip "$nginx" "${pids[@]}" ;;
        builtin) run_phase builtin "$builtin_port" "$query" "$builtin" "$builtin_pid" ;;
        esac
    done
    local handoff baseline
    handoff="$(mean "$scratch/throughput-nginx")"
    baseline="$(mean "$scratch/throughput-static")"
    if [[ -n "$handoff" && -n "$baseline" ]]; then
        echo "[load] download throughput of the hand-off / plain static:" \
            "$(awk -v a="$handoff" -v b="$baseline" 'BEGIN { printf "%.3f", a / b }')"
    fi
}

main "$@"
