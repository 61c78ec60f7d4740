#!/usr/bin/env bash
# Smoke test of the shipped i686 stub: a small plain package run by the 32-bit Wine under qemu's
# user-mode emulation (this kernel cannot execute i386 code). Slow: creating the 32-bit prefix
# takes minutes and every program start close to one.
#   i686-smoke.sh WIN32_BUILD_DIR VELKOR_PACK
# Exit 0: the stub unpacked the package, started the engine with its run token and passed the
# engine's exit code on. Exit 77 (reported as skipped): this machine cannot run 32-bit Wine; the
# reason is printed. Anything else: the smoke test failed.
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:?win32 build dir}" && pwd)"
pack="${2:?velkor-pack}"

"$here/i686-runtime.sh" || exit $?

work="$build/i686-smoke"
export WINEPREFIX="$work/prefix" WINEARCH=win32 WINEDEBUG=-all WINELOADER=/usr/lib/wine/wine
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
display=$(( 500 + $(printf '%s' "$build" | cksum | cut -d' ' -f1) % 400 ))
export DISPLAY=":$display"
server=/usr/lib/wine/wineserver32
[ -x "$server" ] || server=/usr/lib/wine/wineserver64

cleanup() {
  "$server" -k >/dev/null 2>&1
  pkill -f "Xvfb $DISPLAY " >/dev/null 2>&1
}
trap cleanup EXIT

rm -rf "$work"
mkdir -p "$work/prefix"
(setsid Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &)
(setsid "$server" -p </dev/null >/dev/null 2>&1 &)
sleep 1
start=$(date +%s)
echo "i686 smoke: creating the 32-bit prefix"
WINEDEBUG=err+all timeout 900 /usr/lib/wine/wine wineboot -i </dev/null >"$work/wineboot.log" 2>&1
if [ ! -d "$WINEPREFIX/drive_c" ]; then
  # Seen with Debian 12's wine32 (built without its preloader) under qemu-i386 7.2: the loader
  # cannot reserve the shared user data page, so no 32-bit program starts at all.
  why=$(grep -m1 -E 'err:|wine:' "$work/wineboot.log")
  echo "i686 smoke: skipped: 32-bit Wine does not start under user-mode emulation on this machine" \
       "(${why:-no prefix after $(( $(date +%s) - start )) s})"
  exit 77
fi
echo "i686 smoke: prefix ready after $(( $(date +%s) - start )) s"

# The i686 test engine records what it saw and exits with 7.
cat >"$work/manifest.ini" <<INI
[Package]
Output=$work/smoke-setup.exe
Stub=$build/bin/velkor-stub.exe
Engine=Engine.exe
EngineArgs=/exit=7 /record=C:\\smoke-record.txt
[Files]
Engine.exe=$build/bin/test_engine.exe
INI
"$pack" pack "$work/manifest.ini" >/dev/null || { echo "i686 smoke: packing failed"; exit 1; }

start=$(date +%s)
timeout 900 /usr/lib/wine/wine "$work/smoke-setup.exe" /hide </dev/null >"$work/run.log" 2>&1
code=$?
echo "i686 smoke: setup run ended with $code after $(( $(date +%s) - start )) s"
record="$WINEPREFIX/drive_c/smoke-record.txt"
if [ "$code" -ne 7 ]; then
  echo "i686 smoke: FAILED, expected the engine's exit code 7"; cat "$work/run.log"; exit 1
fi
if ! grep -q '^cmdline=.*Engine.exe.*/TH_ID=_' "$record"; then
  echo "i686 smoke: FAILED, the engine's record is missing or wrong:"; cat "$record" 2>/dev/null
  exit 1
fi
echo "i686 smoke: passed; the engine saw: $(grep '^cmdline=' "$record")"
