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
echo "== run the setup file under Wine (x86_64 stub, since 32-bit code cannot run here)"
build/host/bin/velkor-pack pack examples/sample/manifest.ini --x64 -o build/demo/sample-setup-x64.exe
PREFIX=build/win64/wineprefix
PRODUCT="$PREFIX/drive_c/Program Files/Velkor Sample"
rm -rf "$PRODUCT"
build/win64/wine-run --start >/dev/null 2>&1 || true
set +e
build/win64/wine-run build/demo/sample-setup-x64.exe
CODE=$?
set -e
echo "-- setup exit code: $CODE"
if [ -f "$PRODUCT/install.log" ]; then
  LOG=$(tr -d '\r' < "$PRODUCT/install.log")
  echo "-- unpacked to:        $(printf '%s\n' "$LOG" | sed -n 's/^unpacked=//p')"
  echo "-- engine command line: $(printf '%s\n' "$LOG" | sed -n 's/^cmdline=//p')"
  echo "-- files installed:"
  printf '%s\n' "$LOG" | sed -n 's/^installed=/     /p'
  ls -l "$PRODUCT"
else
  echo "-- the engine left no install.log"
fi
build/win64/wine-run --stop >/dev/null 2>&1 || true
