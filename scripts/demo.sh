#!/usr/bin/env bash
# The demo: builds everything, writes a sample setup file and shows what happens with it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh host win64 win32
echo "== stubs"
ls -l build/win32/bin/velkor-stub.exe build/win64/bin/velkor-stub.exe
echo "== sample package (examples/sample/manifest.ini)"
mkdir -p build/demo
build/host/bin/velkor-pack pack examples/sample/manifest.ini
echo "== velkor-pack list"
build/host/bin/velkor-pack list build/demo/sample-setup.exe
