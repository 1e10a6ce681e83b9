# Starts and stops the reference server as private processes on a free port of 127.0.0.1:
# PHP's built-in web server, or the deployment of server/deploy/ (nginx and PHP-FPM in the
# foreground, with their configuration, pid and log files under a folder of the caller's).
# Nothing is installed as a service and no system configuration is touched.
# Sourced by with-reference-server.sh and load-test.sh; not run on its own.
#
#   start_builtin_server <run-dir> <config-file> [document-root]
#                                                        PHP's built-in server; prints the port
#   start_nginx_deployment <run-dir> <config-file> <release-dir> [extra-server-block-file]
#                                                        nginx + PHP-FPM; prints the port
#   stop_deployment <run-dir>                            stops that deployment's nginx and PHP-FPM
#   start_balancer <run-dir> <node-port>...              server/deploy/'s balancer before the nodes
#                                                        (deployments); prints the port
#   stop_servers                                         stops everything started here
# SERVER_OPCACHE=on keeps opcache on (off by default: tests rewrite the configuration several
# times a second, and opcache looks at modification times at most every 2 s and to the second).
# SERVER_TLS_PORT=<port> with SERVER_TLS_DIR=<folder holding server.pem and server.key> makes the
# nginx deployment also serve the site over HTTPS on 127.0.0.1:<port>.
# SERVER_LOGIN_LIMIT=on keeps the site's limit on script requests per address (off by default:
# every test client and every simulated player comes from 127.0.0.1).
# Both serve server/public of this repository unless told otherwise; the script reads
# <config-file> (its default beside the document root when empty) and writes its error_log lines
# to <run-dir>/errors.log; nginx logs to <run-dir>/access.log and <run-dir>/nginx-error.log, PHP's
# built-in server (which would log every query string) to nothing.

SERVER_REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SERVER_PIDS=()

free_port() {
    php -r '$s = stream_socket_server("tcp://127.0.0.1:0"); echo parse_url("tcp://" . stream_socket_get_name($s, false), PHP_URL_PORT);'
}

stop_servers() {
    local pid
    for pid in "${SERVER_PIDS[@]}"; do
        kill "$pid" 2>/dev/null
    done
    for pid in "${SERVER_PIDS[@]}"; do
        wait "$pid" 2>/dev/null
    done
    SERVER_PIDS=()
}

# True once something accepts connections on 127.0.0.1:<port>.
port_listens() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# Waits up to 10 s until <pid> listens on <port>; false when it ended or never did.
wait_listening() {
    local pid="$1" port="$2"
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || return 1
        port_listens "$port" && return 0
        sleep 0.1
    done
    return 1
}

# Starts "$@ <port>" in the background on a free port and prints the port once it listens. Another
# process may take the chosen port before the server binds it; then the server ends and another
# port is tried. The command must exec the server, so that its pid is the server's.
serve_on_free_port() {
    local attempt port pid
    for attempt in 1 2 3 4 5; do
        port="$(free_port)" || return 1
        "$@" "$port" &
        pid=$!
        if wait_listening "$pid" "$port"; then
            SERVER_PIDS+=("$pid")
            echo "$port"
            return 0
        fi
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    return 1
}

exec_builtin_server() {
    local run="$1" config="$2" docroot="$3" opcache="$4" port="$5"
    KSSERVER_CONFIG="$config" exec php -q -d error_log="$run/errors.log" -d log_errors=1 \
        -d display_errors=0 -d opcache.enable="$opcache" \
        -S "127.0.0.1:$port" -t "$docroot" >"$run/builtin.log" 2>&1
}

start_builtin_server() {
    local run="$1" config="$2" docroot="${3:-$SERVER_REPO/server/public}" opcache=0
    [[ "${SERVER_OPCACHE:-off}" == on ]] && opcache=1
    : >"$run/errors.log"
    serve_on_free_port exec_builtin_server "$run" "$config" "$docroot" "$opcache" && return 0
    echo "[server] PHP's built-in server did not start:" >&2
    cat "$run/builtin.log" >&2
    return 1
}

php_fpm_program() {
    local candidate
    for candidate in /usr/sbin/php-fpm*; do
        [[ -x "$candidate" ]] && { echo "$candidate"; return 0; }
    done
    echo "[server] php-fpm is not installed (scripts/setup.sh installs it)" >&2
    return 1
}

# The shipped files with the machine's paths replaced by private ones. Fails when a path that
# the shipped file should name is not there any more, so that the files and this script cannot
# drift apart unnoticed.
render() {
    local file="$1" rendered
    shift
    rendered="$(sed "$@" "$file")" || return 1
    if grep -nE '/srv/|/run/php|/var/log|\b443\b|ssl' <<<"$rendered" >&2; then
        echo "[server] $file: the lines above were not replaced for the private deployment" >&2
        return 1
    fi
    printf '%s\n' "$rendered"
}

render_pool() {
    local run="$1" config="$2"
    render "$SERVER_REPO/server/deploy/php-fpm-pool.conf" -e '/^;/d' \
        -e '/^\(user\|group\|listen\.owner\|listen\.group\) = /d' \
        -e "s|^listen = .*|listen = $run/fpm.sock|" \
        -e "s|^php_admin_value\[error_log\] = .*|php_admin_value[error_log] = $run/errors.log|" ||
        return 1
    echo "env[KSSERVER_CONFIG] = $config"
    [[ "${SERVER_OPCACHE:-off}" == on ]] || echo "php_admin_flag[opcache.enable] = off"
    if [[ $EUID -eq 0 ]]; then
        printf 'user = root\ngroup = root\n'
    fi
}

render_site() {
    local run="$1" release="$2" port="$3" limit=() site
    [[ "${SERVER_LOGIN_LIMIT:-off}" == on ]] || limit=(-e '/^[[:space:]]*limit_req /d')
    site="$(render_plain_site "$run" "$release" "$port" "${limit[@]}")" || return 1
    # The same site over HTTPS on a second port, with a certificate of the caller's.
    if [[ -n "${SERVER_TLS_PORT:-}" ]]; then
        site="$(awk -v port="$SERVER_TLS_PORT" -v dir="$SERVER_TLS_DIR" '{ print }
            /^[[:space:]]*server_name / {
                print "    listen 127.0.0.1:" port " ssl;"
                print "    ssl_certificate " dir "/server.pem;"
                print "    ssl_certificate_key " dir "/server.key;"
            }' <<<"$site")"
    fi
    printf '%s\n' "$site"
}

render_plain_site() {
    local run="$1" release="$2" port="$3" limit=("${@:4}")
    render "$SERVER_REPO/server/deploy/nginx-site.conf" -e '/^[[:space:]]*#/d' \
        -e "s|listen 443 ssl;|listen 127.0.0.1:$port;|" -e '/listen \[::\]:443 ssl;/d' \
        -e '/ssl_certificate/d' "${limit[@]}" \
        -e "s|/srv/brightwell/public|$SERVER_REPO/server/public|" \
        -e "s|/srv/brightwell/releases;|${release%/};|" \
        -e "s|unix:/run/php/brightwell-fpm.sock|unix:$run/fpm.sock|" \
        -e "s|/var/log/nginx/brightwell-access.log|$run/access.log|" \
        -e "s|/var/log/nginx/brightwell-error.log|$run/nginx-error.log|"
}

write_nginx_conf() {
    local run="$1" extra="$2" account=""
    [[ $EUID -eq 0 ]] && account="user root root;"
    cp /etc/nginx/fastcgi_params "$run/fastcgi_params"
    cat >"$run/nginx.conf" <<EOF
# Private nginx of the reference server; see scripts/server-processes.sh.
$account
daemon off;
worker_processes auto;
pid $run/nginx.pid;
error_log $run/nginx-error.log;
events { worker_connections 4096; }
http {
    client_body_temp_path $run/client_body;
    fastcgi_temp_path $run/fastcgi;
    proxy_temp_path $run/proxy;
    uwsgi_temp_path $run/uwsgi;
    scgi_temp_path $run/scgi;
    include $run/site.conf;
    ${extra:+include $extra;}
}
EOF
}

# PHP-FPM refuses to run workers as root unless told to; as root the private pool runs as root
# so that it can read the caller's private folders.
start_php_fpm() {
    local run="$1" config="$2" fpm extra=()
    fpm="$(php_fpm_program)" || return 1
    [[ $EUID -eq 0 ]] && extra=(-R)
    render_pool "$run" "$config" >"$run/pool.conf" || return 1
    cat >"$run/php-fpm.conf" <<EOF
[global]
pid = $run/php-fpm.pid
error_log = $run/php-fpm.log
daemonize = no
include = $run/pool.conf
EOF
    "$fpm" -F -y "$run/php-fpm.conf" -p "$run" "${extra[@]}" >>"$run/php-fpm.log" 2>&1 &
    local pid=$!
    for _ in $(seq 100); do
        if [[ -S "$run/fpm.sock" ]]; then
            SERVER_PIDS+=("$pid")
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    echo "[server] PHP-FPM did not start:" >&2
    cat "$run/php-fpm.log" >&2
    return 1
}

# <run-dir> <render command...> <port>: the rendered server block goes into the nginx
# configuration, then nginx runs in its place.
exec_nginx() {
    local run="$1"
    shift
    "$@" >"$run/site.conf" || exit 1
    exec nginx -p "$run" -c "$run/nginx.conf" -e "$run/nginx-error.log" >>"$run/nginx.log" 2>&1
}

# The shipped balancer in front of the nodes on the given ports of 127.0.0.1, without TLS.
render_balancer() {
    local run="$1" nodes=() port
    shift
    while [[ $# -gt 1 ]]; do
        nodes+=(-e "/^upstream brightwell_nodes {/a\\    server 127.0.0.1:$1 max_fails=1 fail_timeout=30s;")
        shift
    done
    port="$1"
    render "$SERVER_REPO/server/deploy/nginx-balancer.conf" -e '/^[[:space:]]*#/d' \
        -e '/^[[:space:]]*server 192\.0\.2\./d' "${nodes[@]}" \
        -e "s|listen 443 ssl;|listen 127.0.0.1:$port;|" -e '/listen \[::\]:443 ssl;/d' \
        -e '/ssl_certificate/d' -e 's|proxy_pass https://|proxy_pass http://|' \
        -e "s|/var/log/nginx/brightwell-balancer-access.log|$run/access.log|" \
        -e "s|/var/log/nginx/brightwell-balancer-error.log|$run/nginx-error.log|"
}

# <run-dir> <node port>...: the balancer as a private nginx; prints its port.
start_balancer() {
    local run="$1"
    shift
    write_nginx_conf "$run" ""
    serve_on_free_port exec_nginx "$run" render_balancer "$run" "$@" && return 0
    echo "[server] the balancer did not start:" >&2
    cat "$run/nginx.log" "$run/nginx-error.log" >&2
    return 1
}

stop_deployment() {
    local run="$1" file
    for file in "$run/nginx.pid" "$run/php-fpm.pid"; do
        [[ -s "$file" ]] && kill "$(cat "$file")" 2>/dev/null
    done
}

start_nginx_deployment() {
    local run="$1" config="$2" release="$3" extra="${4:-}"
    command -v nginx >/dev/null || {
        echo "[server] nginx is not installed (scripts/setup.sh installs it)" >&2
        return 1
    }
    : >"$run/errors.log"
    start_php_fpm "$run" "$config" || return 1
    write_nginx_conf "$run" "$extra"
    serve_on_free_port exec_nginx "$run" render_site "$run" "$release" && return 0
    echo "[server] nginx did not start:" >&2
    cat "$run/nginx.log" "$run/nginx-error.log" >&2
    return 1
}
