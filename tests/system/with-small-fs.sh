#!/bin/bash
# Runs a command with a 64 KiB tmpfs mounted on a fresh directory, whose Windows path (drive
# Z:) it passes in TABRINOX_SMALL_FS, and unmounts it afterwards. Needs root.
#   with-small-fs.sh COMMAND [ARGS...]
set -u
dir=$(mktemp -d /tmp/tabrinox-small-fs.XXXXXX) || exit 1
cleanup() {
    if mountpoint -q "$dir"; then
        umount "$dir" 2>/dev/null || umount -l "$dir"
    fi
    rmdir "$dir"
}
trap cleanup EXIT
if ! mount -t tmpfs -o size=64k tmpfs "$dir"; then
    echo "with-small-fs.sh: cannot mount a 64 KiB tmpfs on $dir (running as $(id -un);" \
        "root is needed): the small file-system tests cannot run" >&2
    exit 1
fi
TABRINOX_SMALL_FS="Z:${dir//\//\\}"
export TABRINOX_SMALL_FS
"$@"
rc=$?
exit $rc
