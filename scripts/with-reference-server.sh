#!/usr/bin/env bash
# Runs a program against the reference server (server/public/ksclient/ksserver.php) on a free
# port of 127.0.0.1, stopped afterwards: PHP's built-in web server, or with --nginx the
# deployment of server/deploy/ (nginx and PHP-FPM as private processes, file bodies handed to
# nginx). Exits with the program's status.
#
# Usage: scripts/with-reference-server.sh [--nginx] [emulator...] program [arguments...]
#
# The server reads the configuration <root>/ksserver.config.php (at the start a copy of the
# repository's default, with <root>/release as its release folder) and serves downloads from
# <root>/release, where <root> is a scratch folder removed at the end. The program gets:
#   BRIGHTWELL_SERVER_URL   base address, http://127.0.0.1:<port> (the script is below it)
#   BRIGHTWELL_SERVER_ROOT  <root>, with a trailing separator, in the program's own path form
#                           (a Windows path when the program is a .exe run under Wine)
#   BRIGHTWELL_SERVER_LOG   the file that receives the server's error_log lines, same form
# and with --nginx, where the same site also answers over HTTPS with a certificate of a CA made
# for this run:
#   BRIGHTWELL_SERVER_TLS_URL  https://127.0.0.1:<another port>
#   BRIGHTWELL_SERVER_CA_FILE  the CA's certificate (PEM), same form as the root
# <root>/outside/secret.txt lies outside the release folder and <root>/release/outside-link is a
# symbolic link to it, for tests of the server's path rules.
set -uo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=scripts/server-processes.sh
source "$REPO/scripts/server-processes.sh"

kind=builtin
if [[ "${1:-}" == --nginx ]]; then
    kind=nginx
    shift
fi
if [[ $# -eq 0 ]]; then
    echo "usage: $0 [--nginx] [emulator...] program [arguments...]" >&2
    exit 2
fi
command -v php >/dev/null || { echo "[reference-server] php is not installed" >&2; exit 2; }

root="$(mktemp -d "${TMPDIR:-/tmp}/brightwell-server.XXXXXX")"
cleanup() {
    stop_servers
    rm -rf "$root"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mkdir -p "$root/release" "$root/outside" "$root/run"
sed "s|'releaseFolder' => 'releases',|'releaseFolder' => 'release',|" \
    "$REPO/server/ksserver.config.php" >"$root/ksserver.config.php"
grep -q "'releaseFolder' => 'release'," "$root/ksserver.config.php" || {
    echo "[reference-server] the shipped configuration names no releaseFolder" >&2
    exit 2
}
printf 'outside the release folder\n' >"$root/outside/secret.txt"
ln -s "$root/outside/secret.txt" "$root/release/outside-link"

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

# A certificate authority of this run alone and a certificate for 127.0.0.1 it signed, for the
# deployment's HTTPS port: a private CA as publishers run one.
make_test_ca() {
    local dir="$1"
    mkdir -p "$dir"
    (
        cd "$dir" &&
            openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
                -keyout ca.key -out ca.pem -days 2 -subj "/CN=Brightwell test CA" \
                -addext basicConstraints=critical,CA:TRUE \
                -addext keyUsage=critical,keyCertSign,cRLSign &&
            openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes \
                -keyout server.key -out server.csr -subj "/CN=127.0.0.1" &&
            printf '%s\n' subjectAltName=IP:127.0.0.1 basicConstraints=CA:FALSE \
                keyUsage=critical,digitalSignature extendedKeyUsage=serverAuth >server.ext &&
            openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial \
                -out server.pem -days 2 -extfile server.ext
    ) >"$dir/openssl.log" 2>&1 || { cat "$dir/openssl.log" >&2; return 1; }
}

port_file="$root/run/port"
if [[ $kind == nginx ]]; then
    make_test_ca "$root/tls" || exit 1
    export SERVER_TLS_DIR="$root/tls" SERVER_TLS_PORT
    SERVER_TLS_PORT="$(free_port)"
    start_nginx_deployment "$root/run" "$root/ksserver.config.php" "$root/release" >"$port_file"
else
    start_builtin_server "$root/run" "$root/ksserver.config.php" >"$port_file"
fi || exit 1
port="$(cat "$port_file")"

export BRIGHTWELL_SERVER_URL="http://127.0.0.1:$port"
export BRIGHTWELL_SERVER_ROOT
export BRIGHTWELL_SERVER_LOG
BRIGHTWELL_SERVER_ROOT="$(program_path "$root/" "$@")"
BRIGHTWELL_SERVER_LOG="$(program_path "$root/run/errors.log" "$@")"
if [[ $kind == nginx ]]; then
    export BRIGHTWELL_SERVER_TLS_URL="https://127.0.0.1:$SERVER_TLS_PORT"
    export BRIGHTWELL_SERVER_CA_FILE
    BRIGHTWELL_SERVER_CA_FILE="$(program_path "$root/tls/ca.pem" "$@")"
fi
"$@"
