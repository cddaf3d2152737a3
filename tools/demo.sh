#!/bin/bash
# Builds Tabrinox.wfx and shows it at work under Wine: the host stand-in places a sample on
# the clipboard, lists the plug-in's root and copies every entry into out/demo.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
tools/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32

module=build/win32/module/Tabrinox.wfx
standin=build/win32/tools/host_standin.exe
target="$here/out/demo"
rm -rf "$target"
mkdir -p "$target"
# Wine shows the Unix root as drive Z:
winTarget="Z:$(printf '%s' "$target" | tr / '\\')"

echo
echo "== $module: $(stat -c %s "$module") bytes"
echo "== the host stand-in lists the clipboard after placing a sample there"
tools/run-under-wine.sh "$standin" "$module" --dismiss-boxes --put-sample list
echo
echo "== it copies every entry into $target"
tools/run-under-wine.sh "$standin" "$module" --dismiss-boxes --put-sample copy-all "$winTarget"
echo
ls -l "$target"
echo
echo "== CF_TEXT as copied (the text and its terminating zero):"
od -A d -c "$target/CF_TEXT"
