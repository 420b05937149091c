#!/bin/bash
# The version of CMakeLists.txt heads CHANGELOG.md and the release notes of
# the AppStream metadata, and the metadata is valid (appstreamcli validate,
# without the network).
#   check_release_notes.sh SOURCE_DIR VERSION
# Exits 77 (skipped) after the version checks where appstreamcli is missing.
set -u
source=$1
version=$2
metainfo=$source/res/wavelore.metainfo.xml

fail() {
    echo "check_release_notes: $*" >&2
    exit 1
}

newest=$(grep -oE '<release version="[^"]+"' "$metainfo" | head -n1 | cut -d'"' -f2)
[ "$newest" = "$version" ] || fail "the newest release in $metainfo is $newest, not $version"
newest=$(grep -oE '^## \[[0-9][^]]*\]' "$source/CHANGELOG.md" | head -n1 | tr -d '#[] ')
[ "$newest" = "$version" ] || fail "the newest version in CHANGELOG.md is $newest, not $version"

if ! command -v appstreamcli >/dev/null 2>&1; then
    echo "check_release_notes: appstreamcli is not installed, the metadata is not validated"
    exit 77
fi
appstreamcli validate --no-net --explain "$metainfo" || fail "appstreamcli rejects $metainfo"
