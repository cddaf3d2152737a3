#!/bin/bash
# Builds the 32-bit module and the benchmark into build/bench and runs the benchmark under
# Wine: module against bare platform calls, pair by pair, medians in a table.
#   tools/bench.sh [--quick]
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build/bench
cd "$here"

tools/install-deps.sh
cmake --preset win32 -B "$build" >/dev/null
cmake --build "$build" --target tabrinox_bench

scratch=$build/scratch
mkdir -p "$scratch"

# The outside reference: dd writes 256 MiB into the same folder. No fsync, as neither the
# module nor the baseline flushes: all three hand the bytes to the page cache.
dd_runs=()
for _ in 1 2 3 4 5; do
    rm -f "$scratch/dd.bin"
    # dd's own time: "... copied, 0.123 s, 2.2 GB/s"
    seconds=$(dd if=/dev/zero of="$scratch/dd.bin" bs=1M count=256 2>&1 | sed -n 's/.*copied, \([0-9.e-]*\) s,.*/\1/p')
    dd_runs+=("$(awk -v s="$seconds" 'BEGIN { printf "%.0f", 256 / s }')")
done
rm -f "$scratch/dd.bin"
dd_mibps=$(printf '%s\n' "${dd_runs[@]}" | sort -g | sed -n 3p)

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores; dd runs (MiB/s): ${dd_runs[*]}"
# a prefix of its own: the runner stops its wineserver at the end
TABRINOX_WINEPREFIX=$build/wineprefix tools/run-under-wine.sh "$build/bench/tabrinox_bench.exe" \
    --module "$build/module/Tabrinox.wfx" --bare-module "$build/bench/Tabrinox-bare.wfx" \
    --minimal-dll "$build/bench/minimal_plugin.dll" --scratch "$scratch" \
    --dd-mibps "$dd_mibps" "$@"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
