#!/bin/bash
# Runs every test: the unit tests on the stand-in Win32 layer, then the module-file checks
# and the system tests of both modules (32-bit and 64-bit) under Wine, then the release
# archive, made twice.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
tools/install-deps.sh
cmake --workflow --preset native
cmake --workflow --preset native-sanitize
cmake --workflow --preset win32
cmake --workflow --preset win64
tests/release/check-release.sh
# a bounded run of the entry-point fuzzer (README, "Fuzzing", for longer runs)
cmake --workflow --preset fuzz
