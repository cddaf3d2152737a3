#!/bin/bash
# Builds both modules and packs the release archive out/release/Tabrinox.zip, which the
# file manager offers to install when the user opens it.
#   make-release.sh [OUTPUT.zip]
# TABRINOX_RELEASE_BUILD chooses the build folder (default: build/release).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
output=${1:-out/release/Tabrinox.zip}
build=${TABRINOX_RELEASE_BUILD:-build/release}
tools/install-deps.sh
for preset in win32 win64; do
    cmake --preset "$preset" -B "$build/$preset" >/dev/null
    cmake --build "$build/$preset" --target tabrinox_module >/dev/null
done
/usr/bin/python3 tools/pack_release.py "$output" \
    "$build/win32/module/Tabrinox.wfx" "$build/win64/module/Tabrinox.wfx64" \
    resources/pluginst.inf
echo "$output: $(stat -c %s "$output") bytes"
