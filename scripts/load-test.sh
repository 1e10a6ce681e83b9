#!/usr/bin/env bash
# Load test of the reference server on 127.0.0.1 (a benchmark with goals, not part of the test
# command). In phases, against the nginx deployment of server/deploy/ (file bodies handed to
# nginx) and against nginx sending the same file as a plain static file (the baseline; the two
# alternate so that other work on the machine weighs on both alike): PLAYERS players each
# download a PACKAGE_MIB MiB package ROUNDS times in a row, paced to RATE per player at every
# moment (bench/SlowPlayers.cpp checks every body's length and MD5), while TEXT_CLIENTS clients
# send auth and ver2 requests to the script (wrk), at most TEXT_RATE of them per second in all,
# until the last download ends. A download still running DEADLINE seconds after the start of its
# phase is cut.
#
# Usage: scripts/load-test.sh            (needs nginx, php-fpm, wrk, g++: scripts/setup.sh)
# Environment: PLAYERS (200), ROUNDS (1), PACKAGE_MIB (20), RATE (1M), TEXT_CLIENTS (20),
#              TEXT_RATE (1000: five a second for each of 200 players, where a launch sends three
#              in all; 0 sends as fast as the clients can), DEADLINE (60), PHASES ("nginx static
#              nginx static"; "builtin" adds PHP's built-in server, which serves one request at a
#              time and so fails), GOAL_P99_MS (100)
#
# Reports per phase: the downloads intact, cut at the deadline and wrong (short, refused, other
# bytes); their throughput (bytes of intact downloads over the time to the last one's end) beside
# the ideal (players x pace); the text requests per second, their 50th and 99th percentile
# latency and bad replies; the peak of the summed resident memory of the server processes.
# Goals: every download intact and every text reply right (exit 1 otherwise, as with DEADLINE=2);
# each phase's throughput at least 90 % of the ideal and the hand-off's text p99 at most
# GOAL_P99_MS (exit 1 otherwise). When the static baseline itself stays below 90 % of the ideal,
# the machine (or the load generator on it) is the limit: the run says so, judges no figure as
# the server's, and exits 3.
set -uo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=scripts/server-processes.sh
source "$REPO/scripts/server-processes.sh"

PLAYERS="${PLAYERS:-200}"
ROUNDS="${ROUNDS:-1}"
PACKAGE_MIB="${PACKAGE_MIB:-20}"
RATE="${RATE:-1M}"
TEXT_CLIENTS="${TEXT_CLIENTS:-20}"
TEXT_RATE="${TEXT_RATE:-1000}"
DEADLINE="${DEADLINE:-60}"
PHASES="${PHASES:-nginx static nginx static}"
GOAL_P99_MS="${GOAL_P99_MS:-100}"
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

IDEAL_MIB="$(awk -v players="$PLAYERS" -v rate="$(rate_bytes "$RATE")" \
    'BEGIN { printf "%.1f", players * rate / 1048576 }')"

prepare_files() {
    g++ -O2 -std=c++17 "$REPO/bench/SlowPlayers.cpp" -lcrypto -o "$scratch/SlowPlayers" || exit 2
    mkdir -p "$scratch/release" "$scratch/nginx" "$scratch/builtin"
    sed "s|'releaseFolder' => 'releases'|'releaseFolder' => 'release'|" \
        "$REPO/server/ksserver.config.php" >"$scratch/ksserver.config.php"
    # Release 1, one package, published as a publisher would.
    mkdir -p "$scratch/made/1"
    head -c "$((PACKAGE_MIB * 1048576))" /dev/urandom >"$scratch/made/1/package.zip"
    printf '<manifest version="1">\n\t<group name="game" ver="1" path="1/package.zip" size="%s">\n\t</group>\n</manifest>\n' \
        "$((PACKAGE_MIB * 1048576))" >"$scratch/made/manifest.xml"
    "$REPO/server/publish.sh" "$scratch/made/manifest.xml" "$scratch/release" >/dev/null || exit 2
    md5sum <"$scratch/made/1/package.zip" | cut -c1-32 >"$scratch/package.md5"
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
-- Each client waits its share of the rate between requests (none when TEXT_RATE is 0).
if $TEXT_RATE > 0 then
    local pause = $TEXT_CLIENTS * 1000 / $TEXT_RATE
    delay = function() return pause end
end
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
    access_log $scratch/nginx/static-access.log brightwell;
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

# Runs one phase: downloads from download_port/download_path, and text requests against
# text_base for as long as the downloads run.
run_phase() {
    local name="$1" download_port="$2" download_path="$3" text_base="$4"
    shift 4
    local dir sampler text
    dir="$(mktemp -d "$scratch/phase-$name.XXXX")"
    echo 0 >"$dir/memory"
    sample_memory "$dir/memory" "$@" &
    sampler=$!
    wrk -t2 -c"$TEXT_CLIENTS" -d"${DEADLINE}s" --timeout 5s -s "$scratch/text.lua" \
        "$text_base" >"$dir/wrk.log" 2>&1 &
    text=$!
    # The players end by themselves at the deadline at the latest.
    "$scratch/SlowPlayers" "$download_port" "$download_path" "$PLAYERS" "$ROUNDS" \
        "$(rate_bytes "$RATE")" "$DEADLINE" "$(cat "$scratch/package.md5")" >"$dir/players.log" 2>&1
    kill -INT "$text" 2>/dev/null
    wait "$text"
    kill "$sampler" 2>/dev/null
    wait "$sampler" 2>/dev/null
    report_phase "$name" "$dir"
}

# Prints the phase's figures and appends "<name> <intact-ok> <rate/ideal> <text-ok> <p99 ms>" to
# the run's verdicts.
report_phase() {
    local name="$1" dir="$2" downloads text
    downloads="$(sed -n 's/^intact=\([0-9]*\) cut=\([0-9]*\) bad=\([0-9]*\) bytes=\([0-9]*\) seconds=\([0-9.]*\)$/\1 \2 \3 \4 \5/p' \
        "$dir/players.log")"
    text="$(sed -n 's/^TEXT //p' "$dir/wrk.log")"
    [[ -n "$downloads" ]] || { echo "$name downloads: failed:"; cat "$dir/players.log"; downloads="0 0 1 0 0"; }
    [[ -n "$text" ]] || { echo "$name text: wrk failed:"; cat "$dir/wrk.log"; text="0 1 0 0 1 0"; }
    awk -v name="$name" -v ideal="$IDEAL_MIB" -v downloads="$downloads" -v text="$text" \
        -v memory="$(cat "$dir/memory")" 'BEGIN {
        split(downloads, d, " "); split(text, t, " ")
        rate = d[5] > 0 ? d[4] / 1048576 / d[5] : 0
        printf "%-8s downloads: %d intact, %d cut at the deadline, %d wrong; %.1f MiB/s of intact downloads over %.1f s, ideal %.1f MiB/s (%.3f)\n",
            name, d[1], d[2], d[3], rate, d[5], ideal, rate / ideal
        printf "%-8s text while the downloads ran: %.0f requests/s, p50 %.1f ms, p99 %.1f ms, %d bad replies, %d socket errors\n",
            name, t[1] / (t[2] / 1e6), t[3] / 1000, t[4] / 1000, t[5], t[6]
        printf "%-8s peak memory of the server processes: %d MiB (sum of resident sizes)\n",
            name, memory / 1024
        printf "%s %d %.3f %d %.1f\n", name, (d[2] + d[3] == 0 && d[1] > 0), rate / ideal,
            (t[5] + t[6] == 0 && t[1] > 0), t[4] / 1000 >> "'"$scratch/verdicts"'" }'
}

# Judges the run from its verdicts; the exit status of the script.
judge() {
    awk -v goal="$GOAL_P99_MS" '
        { phases[NR] = $1; intact[NR] = $2; ratio[NR] = $3; text[NR] = $4; p99[NR] = $5 }
        $1 == "static" { statics++; static_sum += $3 }
        $1 == "nginx" { nginx_sum += $3; nginx++ }
        END {
            status = NR == 0
            for (i = 1; i <= NR; ++i) {
                if (!intact[i]) { print "[load] FAILED: " phases[i] ": a download was cut, short or wrong"; status = 1 }
                if (!text[i]) { print "[load] FAILED: " phases[i] ": a text request failed or had a wrong reply"; status = 1 }
            }
            if (statics && nginx && static_sum > 0)
                printf "[load] download throughput of the hand-off / plain static: %.3f\n", nginx_sum / nginx / (static_sum / statics)
            if (statics && static_sum / statics < 0.9) {
                printf "[load] MACHINE-BOUND: plain static files reached %.3f of the ideal rate, so the figures are the machine'"'"'s, not the server'"'"'s\n", static_sum / statics
                exit status ? status : 3
            }
            for (i = 1; i <= NR; ++i) {
                if (ratio[i] < 0.9) { printf "[load] FAILED: %s: %.3f of the ideal rate (goal 0.9)\n", phases[i], ratio[i]; status = 1 }
                if (phases[i] == "nginx" && p99[i] > goal) { printf "[load] FAILED: nginx: text p99 %.1f ms (goal %d ms)\n", p99[i], goal; status = 1 }
            }
            if (status == 0) print "[load] every goal met"
            exit status
        }' "$scratch/verdicts"
}

server_pids() { printf '%s\n' "${SERVER_PIDS[@]}"; }

main() {
    prepare_files
    local static_port nginx_port builtin_port pids
    static_port="$(free_port)"
    static_block "$static_port"
    SERVER_OPCACHE=on start_nginx_deployment "$scratch/nginx" "$scratch/ksserver.config.php" \
        "$scratch/release" "$scratch/static.conf" >"$scratch/nginx/port" || exit 2
    nginx_port="$(cat "$scratch/nginx/port")"
    mapfile -t pids < <(server_pids)
    SERVER_OPCACHE=on start_builtin_server "$scratch/builtin" "$scratch/ksserver.config.php" \
        >"$scratch/builtin/port" || exit 2
    builtin_port="$(cat "$scratch/builtin/port")"
    local builtin_pid="${SERVER_PIDS[-1]}"
    local nginx="http://127.0.0.1:$nginx_port" builtin="http://127.0.0.1:$builtin_port"
    local query="$SCRIPT?action=download_pf&dirfile=1/package.zip&pw=$DIGEST&uid=player"
    echo "[load] $PLAYERS players x $ROUNDS downloads of $PACKAGE_MIB MiB at $RATE/s each" \
        "(ideal $IDEAL_MIB MiB/s), $TEXT_CLIENTS text clients at $TEXT_RATE requests/s in all" \
        "(0: unpaced), deadline ${DEADLINE}s per phase"
    local phase
    : >"$scratch/verdicts"
    for phase in $PHASES; do
        case "$phase" in
        nginx) run_phase nginx "$nginx_port" "$query" "$nginx" "${pids[@]}" ;;
        static) run_phase static "$static_port" /static-release/1/package.zip "$nginx" "${pids[@]}" ;;
        builtin) run_phase builtin "$builtin_port" "$query" "$builtin" "$builtin_pid" ;;
        *) echo "[load] unknown phase $phase" >&2; exit 2 ;;
        esac
    done
    judge
}

main "$@"
