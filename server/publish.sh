#!/usr/bin/env bash
# Publishes a release made by brightwell-release on a server: copies its manifest and packages
# into <releases>/<version>/, then makes it the live release in one step (the link
# <releases>/.live, renamed over the previous one), then removes the oldest releases beyond the
# last KEEP, so that a player who started an update with an earlier manifest still gets that
# release's packages. A published release is never changed: its files keep their names and
# bytes for as long as it is kept.
#
# Usage: server/publish.sh [--stage] <manifest> <releases>     copy (--stage: copy only)
#        server/publish.sh --switch <version> <releases>       make a copied release live
#   <manifest>  the manifest brightwell-release wrote; its packages lie beside it, below the
#               folder named after its version
#   <releases>  the release folder the web server serves (nginx's $brightwell_releases)
# On several machines with a copy each: --stage on every machine first, then --switch on each.
# Environment: KEEP (3), the number of releases kept, the live one among them.
set -euo pipefail

KEEP="${KEEP:-3}"
STAGING=""
trap '[[ -z "$STAGING" ]] || rm -rf "$STAGING"' EXIT

fail() {
    echo "publish: $*" >&2
    exit 1
}

usage() {
    sed -n '9,16p' "$0" >&2
    exit 2
}

# A version names a folder: one plain name, as the release tool makes it.
VERSION_PATTERN='^[0-9][0-9A-Za-z._-]*[0-9A-Za-z_-]$|^[0-9]$'
check_version() {
    [[ "$1" =~ $VERSION_PATTERN ]] ||
        fail "\"$1\" is no release version"
}

xml_text() {
    sed -e 's/&lt;/</g' -e 's/&gt;/>/g' -e 's/&quot;/"/g' -e "s/&apos;/'/g" -e 's/&amp;/\&/g' <<<"$1"
}

# The value of attribute <name> of every element read from stdin that has one, one a line.
attribute_values() {
    local value
    grep -o " $1=\"[^\"]*\"" | while IFS= read -r value; do
        value="${value#*=\"}"
        xml_text "${value%\"}"
    done
}

manifest_version() {
    local version
    version="$(grep -o '<manifest [^>]*' "$1" | head -n 1 | attribute_values version)"
    check_version "$version"
    echo "$version"
}

# Copies the manifest (with its signature, when it has one) and every package it names, checked
# against the sizes it states, into a hidden folder of <releases> and renames that to
# <releases>/<version>. Copying the same release again changes nothing; other files under a
# published version are refused.
stage() {
    local manifest="$1" releases="$2" source version paths sizes index path
    source="$(dirname "$manifest")"
    version="$(manifest_version "$manifest")" || exit 1
    STAGING="$releases/.staging-$version-$$"
    mkdir -p "$STAGING"
    mapfile -t paths < <(attribute_values path <"$manifest")
    mapfile -t sizes < <(attribute_values size <"$manifest")
    for index in "${!paths[@]}"; do
        path="${paths[index]}"
        [[ "$path" == "$version"/* && "/$path/" != */../* ]] ||
            fail "the package $path does not lie below $version/: make the release with the current brightwell-release"
        [[ -f "$source/$path" && "$(stat -c %s "$source/$path")" == "${sizes[index]:-}" ]] ||
            fail "the package $source/$path is missing or not the ${sizes[index]:-} bytes the manifest states"
        mkdir -p "$(dirname "$STAGING/${path#*/}")"
        cp "$source/$path" "$STAGING/${path#*/}"
    done
    cp "$manifest" "$STAGING/manifest.xml"
    # The signature of a signed release goes with it, under the name launchers ask for.
    [[ ! -f "$manifest.sig" ]] || cp "$manifest.sig" "$STAGING/manifest.xml.sig"
    if [[ -d "$releases/$version" ]]; then
        diff -r -q "$STAGING" "$releases/$version" >/dev/null ||
            fail "release $version is already published with other files: publish a new version"
        echo "publish: release $version was copied before"
        rm -rf "$STAGING"
        return
    fi
    # On disk before anything can point at it.
    sync -f "$STAGING"
    mv -T "$STAGING" "$releases/$version"
    echo "publish: release $version copied to $releases/$version"
}

# Turns the .live link to <version> with one rename, then removes the oldest releases beyond KEEP
# (never the live one).
switch() {
    local version="$1" releases="$2" link old
    check_version "$version"
    [[ -f "$releases/$version/manifest.xml" ]] || fail "release $version is not copied to $releases"
    link="$releases/.live-$$"
    ln -sfn "$version" "$link"
    mv -T "$link" "$releases/.live"
    echo "publish: release $version is live"
    find "$releases" -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | grep -E "$VERSION_PATTERN" |
        sort -V | head -n "-$KEEP" | while IFS= read -r old; do
        [[ "$old" != "$version" ]] || continue
        rm -rf "${releases:?}/$old"
        echo "publish: release $old removed"
    done
}

main() {
    local mode=publish
    case "${1:-}" in
    --stage | --switch)
        mode="${1#--}"
        shift
        ;;
    esac
    [[ $# -eq 2 ]] || usage
    [[ "$KEEP" =~ ^[1-9][0-9]*$ ]] || fail "KEEP must be a number of releases, 1 or more"
    [[ -d "$2" ]] || fail "the release folder $2 does not exist"
    # One publisher at a time per release folder.
    exec 9>"$2/.publish-lock"
    flock 9
    case "$mode" in
    stage) stage "$1" "$2" ;;
    switch) switch "$1" "$2" ;;
    publish) stage "$1" "$2" && switch "$(manifest_version "$1")" "$2" ;;
    esac
}

main "$@"
