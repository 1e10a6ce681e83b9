#!/usr/bin/env bash
# HTTP-level tests of the reference server that the launcher cannot see: the layout of the
# README's local command, headers, ranges and conditional requests, the document-root rule, the
# nginx deployment (internal location, one release folder, a file gone before nginx sends it, the
# limit on guessing), publishing with server/publish.sh, and what the logs keep. Runs PHP's
# built-in server and the nginx deployment on 127.0.0.1 side by side over one scratch folder.
# Prints one line per failed check and "N passed, M failed"; exits non-zero on any failure.
set -uo pipefail

REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# shellcheck source=scripts/server-processes.sh
source "$REPO/scripts/server-processes.sh"

DIGEST=5f4dcc3b5aa765d61d8327deb882cf99
SCRIPT=/ksclient/ksserver.php
PUBLISH="$REPO/server/publish.sh"
# shellcheck source=tests/server/check.sh
source "$REPO/tests/server/check.sh"

scratch="$(mktemp -d "${TMPDIR:-/tmp}/brightwell-ksserver-test.XXXXXX")"
trap 'stop_servers; rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM

# "<status> <body>" of a GET of a path on a base address, the path sent exactly as given.
status_and_body() {
    curl -s --path-as-is -o - -w ' %{http_code}' "$1$2" | awk '{ last = $NF; $NF = ""; body = body $0 } END { sub(/ $/, "", body); print last " " body }'
}

status_of() {
    curl -s --path-as-is -o /dev/null -w '%{http_code}' "$1$2"
}

md5_of() { md5sum <"$1" | cut -c1-32; }

download() {
    echo "$SCRIPT?action=download_pf&uid=player&pw=$DIGEST&dirfile=$1"
}

# Runs "$@" with the configuration changed by a sed expression, then restores it; prints what the
# command printed.
with_configuration() {
    local expression="$1" configuration="$scratch/root/ksserver.config.php"
    shift
    cp "$configuration" "$scratch/saved.php"
    sed -i "$expression" "$configuration"
    "$@"
    cp "$scratch/saved.php" "$configuration"
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
    for path in /ksclient/releases/package.zip /releases/package.zip /ksclient/releases/host-link \
        /releases/host-link /ksserver.config.php /ksclient/ksserver.config.php; do
        check "default layout: $path is not served" 404 "$(status_of "$base" "$path")"
    done
    stop_servers
}

# Status, the headers a client acts on (in a fixed order) and the body's MD5 of one request.
reply_signature() {
    local base="$1" path="$2"
    shift 2
    : >"$scratch/body"
    curl -s --path-as-is "$@" -D "$scratch/headers" -o "$scratch/body" "$base$path"
    awk -v body="$(md5_of "$scratch/body")" 'BEGIN { RS = "\r\n" }
        NR == 1 { status = $2 }
        { value[tolower(substr($0, 1, index($0, ":") - 1))] = $0 }
        END {
            printf "%s", status
            split("content-length content-type content-range accept-ranges etag last-modified", names)
            for (i = 1; i <= 6; ++i) if (names[i] in value) printf "|%s", value[names[i]]
            print "|" body
        }' "$scratch/headers"
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

# "<status> <header>" rows for big.bin (3,000,000 bytes) with its entity tag and time; an If-Range
# row also asks for bytes 1-2.
validator_requests() {
    local etag="$1" stamp="$2" old="Mon, 01 Jan 2001 00:00:00 GMT"
    printf '%s\n' "206 Range: bytes=5-9" "206 Range: bytes=-5" "206 Range: bytes=2999999-4000000" \
        "416 Range: bytes=3000000-" "416 Range: bytes=0-1,x" "200 Range: bytes=0-1,5-6" \
        "206 If-Range: $etag" "200 If-Range: \"other\"" "206 If-Range: $stamp" \
        "304 If-None-Match: *" "412 If-Match: \"other\"" "304 If-Modified-Since: $stamp" \
        "412 If-Unmodified-Since: $old"
}

test_identical_replies() {
    local builtin="$1" nginx="$2" path row status header extra reply etag stamp
    while IFS= read -r path; do
        check "same reply from both servers: $path" "$(reply_signature "$builtin" "$path")" \
            "$(reply_signature "$nginx" "$path")"
    done < <(identical_requests)
    path="$(download big.bin)"
    etag="$(curl -s -D - -o /dev/null "$nginx$path" | tr -d '\r' | sed -n 's/^ETag: //Ip')"
    stamp="$(curl -s -D - -o /dev/null "$nginx$path" | tr -d '\r' | sed -n 's/^Last-Modified: //Ip')"
    while IFS= read -r row; do
        status="${row%% *}" header="${row#* }" extra=()
        [[ "$header" == If-Range* ]] && extra=(-r 1-2)
        reply="$(reply_signature "$builtin" "$path" -H "$header" "${extra[@]}")"
        check "$header: status" "$status" "${reply%%|*}"
        check "$header: same reply from both servers" "$reply" \
            "$(reply_signature "$nginx" "$path" -H "$header" "${extra[@]}")"
    done < <(validator_requests "$etag" "$stamp")
    check "a range's bytes" "$(tail -c +6 "$scratch/root/release/big.bin" | head -c 5 | md5sum | cut -c1-32)" \
        "$(curl -s -r 5-9 "$builtin$path" | md5sum | cut -c1-32)"
    check "same reply to POST" "$(curl -s -X POST -d x -o /dev/null -w '%{http_code}' "$builtin$SCRIPT")" \
        "$(curl -s -X POST -d x -o /dev/null -w '%{http_code}' "$nginx$SCRIPT")"
    check "a link to a hidden file is not found" 404 "$(status_of "$nginx" "$(download hidden-link)")"
    check "nginx sent the files (hand-off on)" yes \
        "$(grep -q '"GET /ksclient-release/big.bin ' "$scratch/nginx/access.log" && echo yes)"
}

test_headers() {
    local base="$1" kind="$2" path
    for path in "$SCRIPT?action=auth&uid=player&pw=$DIGEST" "$(download big.bin)" "$(download missing.bin)"; do
        check "$kind: no X-Powered-By on $path" "" \
            "$(curl -s -D - -o /dev/null "$base$path" | grep -i '^x-powered-by' | tr -d '\r')"
    done
    check "$kind: the digest is not echoed" "200 action=echo&pw=***&uid=player" \
        "$(status_and_body "$base" "$SCRIPT?action=echo&pw=$DIGEST&uid=player")"
    check "$kind: a failed login is logged with the name and address" yes \
        "$(grep -q 'failed login of user "player" from 127.0.0.1$' "$scratch/$kind/errors.log" && echo yes)"
}

# A PHP warning (here one in the configuration) goes to the log, never into a reply.
test_php_messages_stay_in_the_log() {
    local base="$1" kind="$2"
    check "$kind: a warning is not sent" $'OK,player,standard\nnews:Welcome to Brightwell' \
        "$(curl -s "$base$SCRIPT?action=auth&uid=player&pw=$DIGEST")"
    check "$kind: the warning is logged" yes \
        "$(grep -q 'Undefined variable $nowhere' "$scratch/$kind/errors.log" && echo yes)"
}

# Only nginx's internal location reads the release folder, and only for the script.
test_internal_location() {
    local base="$1" path missing
    for path in /ksclient-release/big.bin /ksclient/../ksclient-release/big.bin \
        /ksclient/%2e%2e/ksclient-release/big.bin /ksclient-release/../outside/secret.txt \
        /ksclient-release/outside-link "/ksclient-release/%2e%2e/outside/secret.txt"; do
        check "nginx: $path is unreachable" 404 "$(status_of "$base" "$path")"
    done
    # The configuration removes gone.bin when the script's request ends, before nginx opens it.
    missing="$(reply_signature "$base" "$(download missing.bin)")"
    printf 'gone' >"$scratch/root/release/gone.bin"
    check "nginx: a file gone before the send gets the script's reply" "$missing" \
        "$(with_configuration "s|^return \\[|register_shutdown_function('unlink', '$scratch/root/release/gone.bin');\\nreturn [|" \
            reply_signature "$base" "$(download gone.bin)")"
    check "nginx: the file was gone" no "$([[ -e "$scratch/root/release/gone.bin" ]] && echo yes || echo no)"
}

# nginx names the release folder for both: a configuration naming another is refused, not
# served from two folders.
test_one_release_folder() {
    local base="$1"
    mkdir -p "$scratch/root/other"
    printf 'other bytes' >"$scratch/root/other/big.bin"
    check "nginx: another releaseFolder is refused" "500 Server configuration error" \
        "$(with_configuration "s|'releaseFolder' => 'release'|'releaseFolder' => 'other'|" \
            status_and_body "$base" "$(download big.bin)")"
    check "nginx: the refusal is logged" 1 \
        "$(grep -c 'names another folder than the web server' "$scratch/nginx/errors.log")"
}

# A release folder below the document root would bypass the login; the script refuses it. (Under
# nginx the site names the folder.)
test_release_folder_in_document_root() {
    local base="$1"
    check "release folder in the document root" "500 Server configuration error" \
        "$(with_configuration "s|'releaseFolder' => '[^']*'|'releaseFolder' => '$REPO/server/public'|" \
            status_and_body "$base" "$(download ksclient/ksserver.php)")"
    check "the refusal is logged" 1 \
        "$(grep -c 'lies inside the document root' "$scratch/builtin/errors.log")"
}

# <folder> <version> <bytes>: a release as brightwell-release writes it.
make_release() {
    mkdir -p "$1/$2"
    head -c "$3" /dev/urandom >"$1/$2/core.zip"
    printf '<manifest version="%s">\n\t<group name="core" ver="%s" path="%s/core.zip" size="%s">\n' \
        "$2" "$2" "$2" "$3" >"$1/manifest.xml"
    printf '\t</group>\n</manifest>\n' >>"$1/manifest.xml"
}

live_release_on_both() {
    local builtin="$1" nginx="$2" version="$3" base
    for base in "$builtin" "$nginx"; do
        check "$base: a new login sees release $version" "200 KO,2,$version/manifest.xml" \
            "$(status_and_body "$base" "$SCRIPT?action=ver2&ver=l20101210&man=0")"
        check "$base: release $version's manifest" "$(md5_of "$scratch/r$version/manifest.xml")" \
            "$(curl -s "$base$(download "$version/manifest.xml")" | md5sum | cut -c1-32)"
    done
}

# Releases 2 to 4 are published (release 1 removed, three kept) while nginx sends release 1's
# package to a player who stopped reading: its 24 MB are more than the socket and pipe buffers
# hold, so nginx is still sending. The download ends with release 1's bytes.
test_publishing() {
    local builtin="$1" nginx="$2" releases="$scratch/root/release" version slow
    make_release "$scratch/r1" 1 24000000
    for version in 2 3 4 5; do
        make_release "$scratch/r$version" "$version" 1000
    done
    "$PUBLISH" "$scratch/r1/manifest.xml" "$releases" >/dev/null
    live_release_on_both "$builtin" "$nginx" 1
    curl -s "$nginx$(download 1/core.zip)" | {
        head -c 65536 >"$scratch/slow.bin"
        until [[ -e "$scratch/go" ]]; do sleep 0.05; done
        cat >>"$scratch/slow.bin"
    } &
    slow=$!
    "$PUBLISH" "$scratch/r2/manifest.xml" "$releases" >/dev/null
    live_release_on_both "$builtin" "$nginx" 2
    printf 'signature of release 3\n' >"$scratch/r3/manifest.xml.sig"
    for version in 3 4; do
        "$PUBLISH" "$scratch/r$version/manifest.xml" "$releases" >/dev/null
    done
    check "a signed release's signature is published beside its manifest" \
        "$(md5_of "$scratch/r3/manifest.xml.sig")" \
        "$(curl -s "$nginx$(download 3/manifest.xml.sig)" | md5sum | cut -c1-32)"
    touch "$scratch/go"
    wait "$slow"
    check "the held download has release 1's bytes" "$(md5_of "$scratch/r1/1/core.zip")" \
        "$(md5_of "$scratch/slow.bin")"
    live_release_on_both "$builtin" "$nginx" 4
    check "release 1 is removed, 2 is kept" "404 200" \
        "$(status_of "$nginx" "$(download 1/core.zip)") $(status_of "$builtin" "$(download 2/core.zip)")"
    head -c 1000 /dev/zero >"$scratch/r4/4/core.zip"
    sed -i 's|path="5/|path="|' "$scratch/r5/manifest.xml"
    check "publishing refuses other bytes under a published version, and a package outside its folder" \
        "1 1 4" "$("$PUBLISH" "$scratch/r4/manifest.xml" "$releases" 2>/dev/null; echo -n "$? ")$(
            "$PUBLISH" "$scratch/r5/manifest.xml" "$releases" 2>/dev/null; echo -n "$? ")$(readlink "$releases/.live")"
}

# Statuses of GETs of the given addresses, one connection, one line each.
statuses() {
    local address arguments=()
    for address in "$@"; do
        arguments+=(-o /dev/null "$address")
    done
    curl -s -w '%{http_code}\n' "${arguments[@]}"
}

# The shipped limit on script requests per address: a launch passes, a burst of wrong passwords
# is cut to the rate (10 a second after a burst of 20).
test_guessing_is_limited() {
    local run="$scratch/limited" base begin accepted seconds guesses=()
    mkdir -p "$run"
    SERVER_LOGIN_LIMIT=on start_nginx_deployment "$run" "$scratch/root/ksserver.config.php" \
        "$scratch/root/release" >"$run/port" || {
        check "the limited deployment starts" ok failed
        return
    }
    base="http://127.0.0.1:$(cat "$run/port")"
    check "a launch is not limited" "200 200 200 200 200 200" "$(statuses \
        "$base$SCRIPT?action=auth&uid=player&pw=$DIGEST" "$base$SCRIPT?action=ver2&ver=l20101210&man=4" \
        "$base$(download 4/manifest.xml)" "$base$(download 4/core.zip)" "$base$(download 3/core.zip)" \
        "$base$(download 2/core.zip)" | xargs)"
    for seconds in $(seq 100); do
        guesses+=("$base$SCRIPT?action=auth&uid=guesser&pw=$seconds")
    done
    begin="$(date +%s.%N)"
    accepted="$(statuses "${guesses[@]}" | grep -c '^200$')"
    seconds="$(awk -v begin="$begin" -v end="$(date +%s.%N)" 'BEGIN { print int(end - begin) + 1 }')"
    check "wrong passwords beyond the rate are refused" yes \
        "$( ((accepted <= 21 + 10 * seconds)) && echo yes)"
    check "every wrong password that reached the script is logged" "$accepted" \
        "$(grep -c 'failed login of user "guesser" from 127.0.0.1$' "$run/errors.log")"
}

# Every log of every server of the run: the script's, nginx's and PHP-FPM's.
test_no_log_holds_the_digest() {
    check "the access log names the requests" yes \
        "$(grep -q 'action=auth uid=player dirfile=-' "$scratch/nginx/access.log" && echo yes)"
    check "no log holds the password digest" "" "$(grep -rl "$DIGEST" "$scratch" --include='*.log')"
}

test_running_servers() {
    local root="$scratch/root" builtin nginx
    mkdir -p "$root/release/sub" "$root/outside" "$scratch/builtin" "$scratch/nginx"
    sed -e "s|'actions' => \[|'actions' => ['echo' => '{query}', |" \
        -e "s|'releaseFolder' => 'releases'|'releaseFolder' => 'release'|" \
        -e "s|^return \[|\$warning = \$nowhere;\nreturn [|" \
        "$REPO/server/ksserver.config.php" >"$root/ksserver.config.php"
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
    test_php_messages_stay_in_the_log "$builtin" builtin
    test_php_messages_stay_in_the_log "$nginx" nginx
    test_internal_location "$nginx"
    test_one_release_folder "$nginx"
    test_release_folder_in_document_root "$builtin"
    test_publishing "$builtin" "$nginx"
    test_guessing_is_limited
    test_no_log_holds_the_digest
}

test_default_layout
test_running_servers
echo "ksserver: $passed passed, $failed failed"
[[ $failed -eq 0 ]]
