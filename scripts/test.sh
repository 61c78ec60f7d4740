#!/usr/bin/env bash
# Everything CI runs: installs packages, builds all presets, runs the host tests natively and the
# Windows tests under Wine, and runs the shipped i686 stub once under 32-bit Wine (skipped, with
# the reason, where this machine cannot run it).
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
./scripts/build.sh host asan fuzz win64 win32
echo "== test host"
ctest --preset host
echo "== test host under AddressSanitizer and UndefinedBehaviorSanitizer"
ctest --preset asan
echo "== fuzz targets: a short run of each over its seed corpus"
ctest --preset fuzz
echo "== test win64 (under Wine)"
ctest --preset win64
echo "== the shipped i686 stub, once, under 32-bit Wine and user-mode emulation"
ctest --preset win32
echo "== all tests passed in $(( $(date +%s) - start )) s"
