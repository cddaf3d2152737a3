#!/bin/bash
# Builds Tabrinox.wfx and shows it at work under Wine: the host stand-in places a sample on
# the clipboard, lists the plug-in's root and copies every entry into out/demo; then the
# 64-bit stand-in does the same listing with Tabrinox.wfx64.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
tools/install-deps.sh
for preset in win32 win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

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

echo
echo "== the 64-bit host stand-in lists the same sample with Tabrinox.wfx64"
tools/run-under-wine.sh build/win64/tools/host_standin.exe build/win64/module/Tabrinox.wfx64 \
    --dismiss-boxes --put-sample list
