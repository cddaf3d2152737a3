#!/bin/bash
# Runs a Windows program under Wine, in the project's own prefix, on a virtual display of its
# own, and stops that prefix's wineserver afterwards.
#   run-under-wine.sh PROGRAM [ARGS...]
# TABRINOX_WINEPREFIX chooses the prefix (default: build/wineprefix in the checkout).
# TABRINOX_BEFORE, if set, is a shell command run on the same display before the program.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${TABRINOX_WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
export WINEARCH=${WINEARCH:-win64}
mkdir -p "$(dirname "$WINEPREFIX")"

# a 64-bit program (machine 0x8664 in its PE header) runs under wine64
program=$1
peOffset=$(od -An -tu4 -j60 -N4 "$program" | tr -d ' ')
machine=$(od -An -tx2 -j $((peOffset + 4)) -N2 "$program" | tr -d ' ')
if [ "$machine" = 8664 ]; then
    export TABRINOX_WINE=/usr/lib/wine/wine64
else
    export TABRINOX_WINE=wine
fi

inner='
if [ ! -f "$WINEPREFIX/system.reg" ]; then wineboot -i >/dev/null 2>&1; wineserver -w; fi
if [ -n "${TABRINOX_BEFORE:-}" ]; then eval "$TABRINOX_BEFORE" || exit 97; fi
"$TABRINOX_WINE" "$@"
rc=$?
# stop the prefix'"'"'s programs while their display still exists
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
exit $rc
'
xvfb-run -a -s "-screen 0 1024x768x24" bash -c "$inner" run-under-wine "$@"
