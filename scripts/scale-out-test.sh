#!/usr/bin/env bash
# Scale-out on one machine: two nodes (nginx and PHP-FPM each, the deployment of server/deploy/)
# serve one shared release folder behind a third nginx, the balancer of
# server/deploy/nginx-balancer.conf, all on 127.0.0.1. PLAYERS players (curl) download release
# 1's package through the balancer, which the nodes send at RATE each (as a player's line would
# take it: on loopback the kernel's buffers would take whole packages off a node at once); while
# they download, release 2 is published with server/publish.sh and then node A is stopped. Checks that the downloads were spread over
# both nodes, that the publish switched both nodes at once, that a player whose download the stop
# cut resumes it on node B with a Range request (curl -C -), that new requests reach node B, that
# every player ends with release 1's bytes, and that no log holds the password digest.
# Prints one line per failed check and "N passed, M failed"; exits non-zero on any failure.
#
# Usage: scripts/scale-out-test.sh [--short]   (needs nginx, php-fpm, curl: scripts/setup.sh)
# Environment: PLAYERS (24), PACKAGE_MIB (16), RATE (2M); --short (the test command's form):
#              8 players, 2 MiB at 256K
set -uo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=scripts/server-processes.sh
source "$REPO/scripts/server-processes.sh"

if [[ "${1:-}" == --short ]]; then
    PLAYERS=8 PACKAGE_MIB=2 RATE=256K
fi
PLAYERS="${PLAYERS:-24}"
PACKAGE_MIB="${PACKAGE_MIB:-16}"
RATE="${RATE:-2M}"
DIGEST=5f4dcc3b5aa765d61d8327deb882cf99
SCRIPT=/ksclient/ksserver.php
# shellcheck source=tests/server/check.sh
source "$REPO/tests/server/check.sh"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/brightwell-scale-out.XXXXXX")"
trap 'stop_servers; rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM

download() {
    echo "$SCRIPT?action=download_pf&uid=player&pw=$DIGEST&dirfile=$1"
}

# <version> <bytes>: a release as brightwell-release writes it, in $scratch/made-<version>.
make_release() {
    local folder="$scratch/made-$1"
    mkdir -p "$folder/$1"
    head -c "$2" /dev/urandom >"$folder/$1/package.zip"
    printf '<manifest version="%s">\n\t<group name="game" ver="%s" path="%s/package.zip" size="%s">\n\t</group>\n</manifest>\n' \
        "$1" "$1" "$1" "$2" >"$folder/manifest.xml"
}

# One player: downloads release 1's package through the balancer, resuming a cut download where
# it stopped (up to 4 attempts); writes how many attempts it took.
player() {
    local index="$1" attempt
    for attempt in 1 2 3 4; do
        if curl -s -f -C - -o "$scratch/players/$index.bin" "$BALANCER$(download 1/package.zip)"; then
            echo "$attempt" >"$scratch/players/$index.attempts"
            return
        fi
        sleep 0.2
    done
    echo failed >"$scratch/players/$index.attempts"
}

# Kills a PHP-FPM master and its workers at once, as a crash would end them (a worker left
# behind would go on answering on the socket). The shell would report the killed job: not here.
crash_php() {
    local master="$1" workers
    workers="$(ps -o pid= --ppid "$master")"
    # shellcheck disable=SC2086 # one pid a word
    kill -KILL "$master" $workers
    { wait "$master"; } 2>/dev/null
}

# The statuses of four logins through the balancer.
logins() {
    local attempt
    for attempt in 1 2 3 4; do
        curl -s -o /dev/null -w "%{http_code} " "$BALANCER$SCRIPT?action=auth&uid=player&pw=$DIGEST"
    done | xargs
}

# "KO,2,<manifest>" as a node or the balancer names the live release to a player of release 0.
live_manifest() {
    curl -s "$1$SCRIPT?action=ver2&ver=l20101210&man=0"
}

# Downloads that the balancer's log shows node <a|b> sending (cut ones too: a node stopped
# mid-send logs nothing).
sent_by() {
    grep -cE " 200 [0-9]{5,} .* node=127\.0\.0\.1:$(cat "$scratch/$1/port") " "$scratch/balancer/access.log"
}

# Resumed downloads in node B's log.
resumed_by_b() {
    grep -c '"GET /ksclient-release/1/package.zip HTTP/1.1" 206 ' "$scratch/b/access.log"
}

start_cluster() {
    local node
    mkdir -p "$scratch/releases" "$scratch/players" "$scratch/balancer"
    sed "s|'releaseFolder' => 'releases'|'releaseFolder' => '$scratch/releases'|" \
        "$REPO/server/ksserver.config.php" >"$scratch/ksserver.config.php"
    # The nodes take the players' addresses from the balancer, as the README's guide says.
    printf 'set_real_ip_from 127.0.0.1;\nreal_ip_header X-Forwarded-For;\nlimit_rate %s;\n' \
        "$RATE" >"$scratch/node.conf"
    for node in a b; do
        mkdir -p "$scratch/$node"
        start_nginx_deployment "$scratch/$node" "$scratch/ksserver.config.php" "$scratch/releases" \
            "$scratch/node.conf" >"$scratch/$node/port" || return 1
    done
    start_balancer "$scratch/balancer" "$(cat "$scratch/a/port")" "$(cat "$scratch/b/port")" \
        >"$scratch/balancer/port" || return 1
    NODE_A="http://127.0.0.1:$(cat "$scratch/a/port")"
    NODE_B="http://127.0.0.1:$(cat "$scratch/b/port")"
    BALANCER="http://127.0.0.1:$(cat "$scratch/balancer/port")"
}

main() {
    local index players=() bytes=$((PACKAGE_MIB * 1048576))
    make_release 1 "$bytes"
    make_release 2 1000
    start_cluster || {
        check "the nodes and the balancer start" ok failed
        exit 1
    }
    "$REPO/server/publish.sh" "$scratch/made-1/manifest.xml" "$scratch/releases" >/dev/null
    echo "[scale-out] $PLAYERS players download $PACKAGE_MIB MiB at $RATE/s each through the balancer"
    for ((index = 0; index < PLAYERS; index++)); do
        player "$index" &
        players+=($!)
    done
    # Every player is downloading before anything changes.
    for _ in $(seq 200); do
        [[ $(find "$scratch/players" -name '*.bin' -size +0 | wc -l) -eq $PLAYERS ]] && break
        sleep 0.05
    done
    "$REPO/server/publish.sh" "$scratch/made-2/manifest.xml" "$scratch/releases" >/dev/null
    check "one publish switches node A, node B and the balancer" \
        "KO,2,2/manifest.xml KO,2,2/manifest.xml KO,2,2/manifest.xml" \
        "$(live_manifest "$NODE_A") $(live_manifest "$NODE_B") $(live_manifest "$BALANCER")"
    # Node A fails in two steps: its PHP crashes first (its nginx answers 502), then the whole
    # node stops.
    crash_php "$(cat "$scratch/a/php-fpm.pid")"
    check "with node A's PHP gone, logins through the balancer succeed" "200 200 200 200" "$(logins)"
    stop_deployment "$scratch/a"
    echo "[scale-out] release 2 published and node A stopped while the players download"
    check "with node A stopped, logins through the balancer succeed" "200 200 200 200" "$(logins)"
    wait "${players[@]}"
    local expected right=0 resumed=0
    expected="$(md5sum <"$scratch/made-1/1/package.zip")"
    for ((index = 0; index < PLAYERS; index++)); do
        [[ "$(md5sum <"$scratch/players/$index.bin")" == "$expected" ]] && right=$((right + 1))
        [[ "$(cat "$scratch/players/$index.attempts")" =~ ^[2-4]$ ]] && resumed=$((resumed + 1))
    done
    check "every player has release 1's package" "$PLAYERS" "$right"
    check "the downloads were spread over both nodes" "yes yes" \
        "$( (($(sent_by a) > 0)) && echo yes) $( (($(sent_by b) > 0)) && echo yes)"
    check "downloads cut by the stop resumed on node B with a Range request" "yes" \
        "$( ((resumed > 0 && $(resumed_by_b) >= resumed)) && echo yes)"
    check "no log holds the password digest" "" "$(grep -rl "$DIGEST" "$scratch" --include='*.log')"
    echo "[scale-out] node A sent $(sent_by a) downloads, node B $(sent_by b) and" \
        "$(resumed_by_b) resumed ones; $resumed players resumed after the stop"
    echo "scale-out: $passed passed, $failed failed"
    [[ $failed -eq 0 ]]
}

main "$@"
