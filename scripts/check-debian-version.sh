#!/usr/bin/env bash
# Checks that the Debian package carries the program's own version: the latest
# entry of debian/changelog names the version of project() in CMakeLists.txt
# (an epoch or a Debian revision aside).
#   scripts/check-debian-version.sh SOURCE_DIR PROGRAM_VERSION
set -euo pipefail
entry="$(head -n 1 "$1/debian/changelog")"
version="$(sed -n 's/^glimra (\([^) ]*\)) .*/\1/p' <<<"$entry")"
[[ -n "$version" ]] || { echo "FAIL: no glimra version in debian/changelog's first line: $entry" >&2; exit 1; }
upstream="${version#*:}"
upstream="${upstream%-*}"
if [[ "$upstream" != "$2" ]]; then
    echo "FAIL: debian/changelog is at $version, the program at $2: add a changelog entry for $2" >&2
    exit 1
fi
echo "debian/changelog: $version"
