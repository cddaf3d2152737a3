#!/bin/bash
# Makes the release archive twice, each from a build folder of its own, checks that the two
# are the same bytes, and checks what the archive holds.
set -eu
here=$(cd "$(dirname "$0")/../.." && pwd)
cd "$here"
work=$(mktemp -d /tmp/tabrinox-release.XXXXXX)
trap 'rm -rf "$work"' EXIT
TABRINOX_RELEASE_BUILD="$work/first" tools/make-release.sh "$work/first.zip"
TABRINOX_RELEASE_BUILD="$work/second" tools/make-release.sh "$work/second.zip"
if ! cmp "$work/first.zip" "$work/second.zip"; then
    echo "two release builds from the same sources differ" >&2
    exit 1
fi
/usr/bin/python3 tests/release/check_release.py "$work/first.zip" "$work/first"
