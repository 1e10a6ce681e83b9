#!/usr/bin/env bash
# HTTP-level tests of the reference server that the launcher cannot see: the layout of the
# README's local command, headers, the document-root rule, and the nginx deployment (internal
# location, identical replies with and without the hand-off to nginx). Runs PHP's built-in
# server and the nginx deployment on 127.0.0.1 side by side over one scratch folder.
# Prints one line per failed check and "N passed, M failed"; exits non-zero on any failure.
set -uo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# shellcheck source=scripts/server-processes.sh
source "$REPO/scripts/server-processes.sh"

DIGEST=5f4dcc3b5aa765d61d8327deb882cf99
SCRIPT=/ksclient/ksserver.php
passed=0
failed=0

scratch="$(mktemp -d "${TMPDIR:-/tmp}/brightwell-ksserver-test.XXXXXX")"
trap 'stop_servers; rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM

check() {
    local what="$1" expected="$2" actual="$3"
    if [[ "$expected" == "$actual" ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        printf 'FAIL %s\n  expected: %q\n  actual:   %q\n' "$what" "$expected" "$actual"
    fi
}

# "<status> <body>" of a GET of a path on a base address, the path sent exactly as given.
status_and_body() {
    curl -s --path-as-is -o - -w ' %{http_code}' "$1$2" | awk '{ last = $NF; $NF = ""; body = body $0 } END { sub(/ $/, "", body); print last " " body }'
}

status_of() {
    curl -s --path-as-is -o /dev/null -w '%{http_code}' "$1$2"
}

download() {
    echo "$SCRIPT?action=download_pf&uid=player&pw=$DIGEST&dirfile=$1"
}

# The README's local command serves the repository's layout: release files go out through the
# script only, never as static files of the document root.
test_default_layout() {
    local docroot served="$scratch/layout" run="$scratch/layout-run" port folder
    docroot="$(grep -oE 'php -S 127\.0\.0\.1:8080 -t [^ `]+' "$REPO/README.md" | head -n 1 | awk '{ print $NF }')"
    check "the README names the local command" "nonempty" "${docroot:+nonempty}"
    [[ -n "$docroot" ]] || return
    mkdir -p "$run"
    cp -R "$REPO/server" "$served"
    folder="$(php -r '$c = include $argv[1]; echo $c["releaseFolder"];' "$served/ksserver.config.php")"
    [[ "$folder" == /* ]] || folder="$served/$folder"
    mkdir -p "$folder"
    printf 'package bytes' >"$folder/package.zip"
    ln -s /etc/hostname "$folder/host-link"
    # Started in this shell (not in a substitution) so that stop_servers knows the process.
    start_builtin_server "$run" "" "$served/${docroot#server/}" >"$run/port" || {
        check "the README's server starts" ok failed
        return
    }
    port="$(cat "$run/port")"
    local base="http://127.0.0.1:$port" real_root real_folder
    check "default layout: download with the shipped user" "200 package bytes" \
        "$(status_and_body "$base" "$(download package.zip)")"
    real_root="$(realpath "$served/${docroot#server/}")"
    real_folder="$(realpath "$folder")"
    check "default layout: release folder outside the document root" outside \
        "$([[ "$real_folder/" == "$real_root/"* ]] && echo inside || echo outside)"
    local path
    for path in /ksclient/release/package.zip /release/package.zip /ksclient/release/host-link \
        /release/host-link /ksserver.config.php /ksclient/ksserver.config.php; do
        check "default layout: $path is not served" 404 "$(status_of "$base" "$path")"
    done
    stop_servers
}

# The same requests against both servers give the same status, length, type and body.
reply_signature() {
    local base="$1" path="$2" headers body
    shift 2
    headers="$(curl -s --path-as-is "$@" -D - -o "$scratch/body" "$base$path" | tr -d '\r')"
    body="$(md5sum <"$scratch/body" | cut -c1-32)"
    printf '%s|%s|%s|%s\n' "$(head -n 1 <<<"$headers" | cut -d' ' -f2)" \
        "$(grep -i '^content-length:' <<<"$headers")" "$(grep -i '^content-type:' <<<"$headers")" \
        "$body"
}

identical_requests() {
    local odd="p%41+q;r,s=t~!\$'()*@:.bin"
    printf '%s\n' \
        "$SCRIPT?action=auth&uid=player&pw=$DIGEST" "$SCRIPT?action=auth&uid=player&pw=x" \
        "$SCRIPT?action=ver2&app=1&man=1&pw=&uid=&ver=l20101210" "$SCRIPT?action=ver2&ver=old" \
        "$(download big.bin)" "$(download empty.bin)" "$(download "$odd")" \
        "$(download sub/inner-link)" "$(download missing.bin)" "$(download .hidden)" \
        "$(download .)" "$(download ../outside/secret.txt)" "$(download outside-link)" \
        "$(download hidden-link)" "$(download 'back\slash.bin')" \
        "$SCRIPT?action=download_pf&uid=player&pw=bad&dirfile=big.bin" \
        "$SCRIPT?action=motd&pw=$DIGEST" "$SCRIPT?action=nothing" "$SCRIPT"
}

test_identical_replies() {
    local builtin="$1" nginx="$2" path
    while IFS= read -r path; do
        check "same reply from both servers: $path" "$(reply_signature "$builtin" "$path")" \
            "$(reply_signature "$nginx" "$path")"
    done < <(identical_requests)
    # A player's client could ask for part of a file or send validators; the script ignores both.
    check "same reply to a range request" "$(reply_signature "$builtin" "$(download big.bin)" -r 5-9)" \
        "$(reply_signature "$nginx" "$(download big.bin)" -r 5-9)"
    local stamp
    stamp="$(curl -s -D - -o /dev/null "$nginx$(download big.bin)" | tr -d '\r' |
        sed -n 's/^Last-Modified: //Ip')"
    check "nginx sends the file itself (hand-off on)" nonempty "${stamp:+nonempty}"
    check "same reply to a conditional request" \
        "$(reply_signature "$builtin" "$(download big.bin)" -H "If-Modified-Since: $stamp")" \
        "$(reply_signature "$nginx" "$(download big.bin)" -H "If-Modified-Since: $stamp")"
    check "same reply to POST" "$(curl -s -X POST -d x -o /dev/null -w '%{http_code}' "$builtin$SCRIPT")" \
        "$(curl -s -X POST -d x -o /dev/null -w '%{http_code}' "$nginx$SCRIPT")"
    check "a link to a hidden file is not found" 404 "$(status_of "$nginx" "$(download hidden-link)")"
    check "whole file with the hand-off" "$(md5sum <"$scratch/root/release/big.bin" | cut -c1-32)" \
        "$(curl -s "$nginx$(download big.bin)" | md5sum | cut -c1-32)"
}

test_headers() {
    local base="$1" kind="$2" path
    for path in "$SCRIPT?action=auth&uid=player&pw=$DIGEST" "$(download big.bin)" "$(download missing.bin)"; do
        check "$kind: no X-Powered-By on $path" "" \
            "$(curl -s -D - -o /dev/null "$base$path" | grep -i '^x-powered-by' | tr -d '\r')"
    done
    check "$kind: the digest is not echoed" "200 action=echo&pw=***&uid=player" \
        "$(status_and_body "$base" "$SCRIPT?action=echo&pw=$DIGEST&uid=player")"
}

# Only nginx's internal location reads the release folder, and only for the script.
test_internal_location() {
    local base="$1" path
    for path in /ksclient-release/big.bin /ksclient/../ksclient-release/big.bin \
        /ksclient/%2e%2e/ksclient-release/big.bin /ksclient-release/../outside/secret.txt \
        /ksclient-release/outside-link "/ksclient-release/%2e%2e/outside/secret.txt"; do
        check "nginx: $path is unreachable" 404 "$(status_of "$base" "$path")"
    done
}

# A release folder below the document root would bypass the login; the script refuses it.
test_release_folder_in_document_root() {
    local base="$1" kind="$2"
    cp "$scratch/root/ksserver.config.php" "$scratch/saved.php"
    sed -i "s|'releaseFolder' => '[^']*'|'releaseFolder' => '$REPO/server/public'|" \
        "$scratch/root/ksserver.config.php"
    check "$kind: release folder in the document root" "500 Server configuration error" \
        "$(status_and_body "$base" "$(download ksclient/ksserver.php)")"
    check "$kind: the refusal is logged" 1 \
        "$(grep -c 'lies inside the document root' "$scratch/$kind/errors.log")"
    cp "$scratch/saved.php" "$scratch/root/ksserver.config.php"
}

test_running_servers() {
    local root="$scratch/root" builtin nginx
    mkdir -p "$root/release/sub" "$root/outside" "$scratch/builtin" "$scratch/nginx"
    sed "s|'actions' => \[|'actions' => ['echo' => '{query}', |" "$REPO/server/ksserver.config.php" \
        >"$root/ksserver.config.php"
    head -c 3000000 /dev/urandom >"$root/release/big.bin"
    : >"$root/release/empty.bin"
    printf 'odd name' >"$root/release/p%41+q;r,s=t~!\$'()*@:.bin"
    printf 'hidden' >"$root/release/.hidden"
    printf 'secret' >"$root/outside/secret.txt"
    ln -s "$root/outside/secret.txt" "$root/release/outside-link"
    ln -s ../empty.bin "$root/release/sub/inner-link"
    ln -s .hidden "$root/release/hidden-link"
    printf 'a backslash is part of a name here' >"$root/release/back\slash.bin"
    start_builtin_server "$scratch/builtin" "$root/ksserver.config.php" >"$scratch/builtin/port" &&
        start_nginx_deployment "$scratch/nginx" "$root/ksserver.config.php" "$root/release" \
            >"$scratch/nginx/port" || {
        check "both servers start" ok failed
        return
    }
    builtin="http://127.0.0.1:$(cat "$scratch/builtin/port")"
    nginx="http://127.0.0.1:$(cat "$scratch/nginx/port")"
    test_identical_replies "$builtin" "$nginx"
    test_headers "$builtin" builtin
    test_headers "$nginx" nginx
    test_internal_location "$nginx"
    test_release_folder_in_document_root "$builtin" builtin
    test_release_folder_in_document_root "$nginx" nginx
}

test_default_layout
test_running_servers
echo "ksserver: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
