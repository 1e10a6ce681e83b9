#!/usr/bin/env bash
# Runs a program against the PHP reference server (server/ksclient/ksserver.php), started with
# PHP's built-in web server on a free port of 127.0.0.1 and stopped afterwards. Exits with the
# program's status.
#
# Usage: scripts/with-reference-server.sh [emulator...] program [arguments...]
#
# The server reads the configuration <root>/ksserver.config.php (a copy of the repository's
# default at the start) and serves downloads from <root>/release, where <root> is a scratch folder
# removed at the end. The program gets:
#   BRIGHTWELL_SERVER_URL   base address, http://127.0.0.1:<port> (the script is below it)
#   BRIGHTWELL_SERVER_ROOT  <root>, with a trailing separator, in the program's own path form
#                           (a Windows path when the program is a .exe run under Wine)
#   BRIGHTWELL_SERVER_LOG   the file that receives the server's error_log lines, same form
# <root>/outside/secret.txt lies outside the release folder and <root>/release/outside-link is a
# symbolic link to it, for tests of the server's path rules.
set -uo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

if [[ $# -eq 0 ]]; then
    echo "usage: $0 [emulator...] program [arguments...]" >&2
    exit 2
fi
command -v php >/dev/null || { echo "[reference-server] php is not installed" >&2; exit 2; }

root="$(mktemp -d "${TMPDIR:-/tmp}/brightwell-server.XXXXXX")"
server_pid=""
cleanup() {
    if [[ -n "$server_pid" ]]; then
        kill "$server_pid" 2>/dev/null
        wait "$server_pid" 2>/dev/null
    fi
    rm -rf "$root"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$root/release" "$root/outside"
cp "$REPO/server/ksclient/ksserver.config.php" "$root/ksserver.config.php"
printf 'outside the release folder\n' >"$root/outside/secret.txt"
ln -s "$root/outside/secret.txt" "$root/release/outside-link"
: >"$root/errors.log"

free_port() {
    php -r '$s = stream_socket_server("tcp://127.0.0.1:0"); echo parse_url("tcp://" . stream_socket_get_name($s, false), PHP_URL_PORT);'
}

# Another process may take the chosen port before PHP binds it; then PHP ends and we try again.
start_server() {
    local port attempt
    for attempt in 1 2 3 4 5; do
        port="$(free_port)" || return 1
        KSSERVER_CONFIG="$root/ksserver.config.php" php -d error_log="$root/errors.log" \
            -d display_errors=stderr -S "127.0.0.1:$port" -t "$REPO/server" \
            >"$root/server.log" 2>&1 &
        server_pid=$!
        for _ in $(seq 100); do
            if grep -q "127.0.0.1:$port) started" "$root/server.log" 2>/dev/null; then
                echo "$port"
                return 0
            fi
            kill -0 "$server_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill "$server_pid" 2>/dev/null
        wait "$server_pid" 2>/dev/null
        server_pid=""
    done
    echo "[reference-server] the server did not start:" >&2
    cat "$root/server.log" >&2
    return 1
}

# A Windows program under Wine sees this machine's files through its Z: drive, which maps "/";
# translating here keeps winepath from creating a prefix of its own.
program_path() {
    local path="$1" argument
    shift
    for argument in "$@"; do
        if [[ "$argument" == *.exe ]]; then
            printf 'Z:%s\n' "${path//\//\\}"
            return
        fi
    done
    printf '%s\n' "$path"
}

port_file="$root/port"
start_server >"$port_file" || exit 1
port="$(cat "$port_file")"

export BRIGHTWELL_SERVER_URL="http://127.0.0.1:$port"
export BRIGHTWELL_SERVER_ROOT
export BRIGHTWELL_SERVER_LOG
BRIGHTWELL_SERVER_ROOT="$(program_path "$root/" "$@")"
BRIGHTWELL_SERVER_LOG="$(program_path "$root/errors.log" "$@")"
"$@"
