#!/bin/bash
# Runs every test: the unit tests on the stand-in Win32 layer, then the module-file checks
# and the system tests of the real module under Wine.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
tools/install-deps.sh
cmake --workflow --preset native
cmake --workflow --preset win32
