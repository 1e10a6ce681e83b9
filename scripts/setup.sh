#!/usr/bin/env bash
# Installs everything both builds and their tests need on Debian 12; safe to run again.
set -euo pipefail

# Native build (libsodium: release signatures and package digests), its tests (PHP reference
# server, zip tool, openssl for the test CA), the benchmarks' OpenSSL baseline, Python (the update
# benchmark's unzip baseline), and clang with its libFuzzer runtime for the fuzz targets.
NATIVE_PACKAGES=(
    cmake ninja-build g++ pkg-config
    libcurl4-openssl-dev zlib1g-dev libtinyxml-dev libsodium-dev libgtest-dev libbenchmark-dev libssl-dev
    php-cli zip python3 openssl
    clang libclang-rt-14-dev
)
# The reference server's deployment (server/deploy/), run privately by the tests, curl for the
# server script's own test, and the load generator of scripts/load-test.sh.
SERVER_PACKAGES=(nginx php-fpm curl wrk)
# Windows cross build and Wine; dpkg-dev and xz-utils unpack the Debian source packages of curl,
# TinyXML and libsodium (autoconf, automake and libtool make libsodium's build files, which its
# Debian source lacks, and make builds it), googletest holds the GoogleTest sources;
# imagemagick's import and x11-utils' xwininfo take the main command's picture of the Login screen.
WINDOWS_PACKAGES=(
    g++-mingw-w64-i686 libz-mingw-w64-dev googletest dpkg-dev xz-utils make
    autoconf automake libtool
    wine wine32:i386 xvfb imagemagick x11-utils
)
SOURCE_LIST=/etc/apt/sources.list.d/brightwell-deb-src.sources
SOURCE_LIST_ONELINE=/etc/apt/sources.list.d/brightwell-deb-src.list

log() { printf '[setup] %s\n' "$*"; }

as_root() {
    if [[ $EUID -eq 0 ]]; then
        "$@"
    else
        sudo "$@"
    fi
}

package_installed() {
    [[ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" == "install ok installed" ]]
}

missing_packages() {
    local package
    for package in "${NATIVE_PACKAGES[@]}" "${SERVER_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"; do
        package_installed "$package" || printf '%s\n' "$package"
    done
}

source_entries_configured() {
    grep -rqsE '^[[:space:]]*(Types:.*deb-src|deb-src[[:space:]])' \
        /etc/apt/sources.list /etc/apt/sources.list.d/
}

source_indexes_downloaded() {
    compgen -G '/var/lib/apt/lists/*_Sources*' >/dev/null
}

# deb822 stanzas of the machine's own binary entries, turned into source entries.
derive_deb822_sources() {
    local file
    for file in /etc/apt/sources.list.d/*.sources; do
        [[ -e "$file" && "$file" != "$SOURCE_LIST" ]] || continue
        awk '
            /^[[:space:]]*#/ { next }
            /^[[:space:]]*$/ { if (stanza != "" && binary) printf "%s\n", stanza; stanza = ""; binary = 0; next }
            /^Types:/ { if ($0 ~ /[[:space:]]deb([[:space:]]|$)/) binary = 1; stanza = stanza "Types: deb-src\n"; next }
            { stanza = stanza $0 "\n" }
            END { if (stanza != "" && binary) printf "%s\n", stanza }
        ' "$file"
    done
}

# One-line entries ("deb URI suite components") of the machine, turned into source entries.
derive_oneline_sources() {
    local file
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [[ -e "$file" && "$file" != "$SOURCE_LIST_ONELINE" ]] || continue
        sed -nE 's/^[[:space:]]*deb[[:space:]]+/deb-src /p' "$file"
    done
}

add_source_entries() {
    local deb822 oneline
    deb822="$(derive_deb822_sources)"
    oneline="$(derive_oneline_sources)"
    if [[ -z "$deb822" && -z "$oneline" ]]; then
        echo "[setup] no Debian archive entry found to derive source entries from" >&2
        exit 1
    fi
    if [[ -n "$deb822" ]]; then
        log "adding source entries in $SOURCE_LIST"
        printf '%s\n' "$deb822" | as_root tee "$SOURCE_LIST" >/dev/null
    fi
    if [[ -n "$oneline" ]]; then
        log "adding source entries in $SOURCE_LIST_ONELINE"
        printf '%s\n' "$oneline" | as_root tee "$SOURCE_LIST_ONELINE" >/dev/null
    fi
}

# Debian starts a service when its package is installed (nginx's default site on port 80 of every
# address); the tests run their own private processes, so nothing is started while installing.
# An existing policy is left as it is.
install_without_starting_services() {
    local policy=/usr/sbin/policy-rc.d created=0 status=0
    if [[ ! -e $policy ]]; then
        printf '#!/bin/sh\nexit 101\n' | as_root tee "$policy" >/dev/null
        as_root chmod 755 "$policy"
        created=1
    fi
    as_root env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q -o DPkg::Lock::Timeout=600 "$@" || status=$?
    [[ $created -eq 0 ]] || as_root rm -f "$policy"
    return $status
}

main() {
    local need_update=0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        log "adding the i386 architecture (32-bit Wine)"
        as_root dpkg --add-architecture i386
        need_update=1
    fi
    if ! source_entries_configured; then
        add_source_entries
        need_update=1
    fi
    source_indexes_downloaded || need_update=1

    local missing=()
    mapfile -t missing < <(missing_packages)
    [[ ${#missing[@]} -eq 0 ]] || need_update=1

    if [[ $need_update -eq 1 ]]; then
        log "apt-get update"
        as_root apt-get update -q
    fi
    if [[ ${#missing[@]} -gt 0 ]]; then
        log "installing: ${missing[*]}"
        install_without_starting_services "${missing[@]}"
    fi
    log "all packages present"
}

main "$@"
