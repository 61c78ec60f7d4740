#!/usr/bin/env bash
# Makes 32-bit Windows programs runnable here: this kernel cannot execute i386 code, so the 32-bit
# Wine runs under qemu's user-mode emulation. Installs qemu-user-static and wine32:i386 (adding the
# i386 architecture), mounts binfmt_misc and registers qemu-i386-static for i386 ELF files with the
# F flag (the interpreter is opened once, so it also works inside other mount namespaces).
#
# Safe to run again; returns at once when everything is in place. Exit 0: ready. Exit 77: this
# machine does not allow it; the reason is on stderr (the smoke test then reports itself skipped).
set -uo pipefail

skip() { echo "i686 runtime unavailable: $*" >&2; exit 77; }

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null && sudo -n true 2>/dev/null || skip "needs root or password-less sudo"
  SUDO="sudo -n"
fi

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if ! installed qemu-user-static || ! installed wine32:i386; then
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386 || skip "cannot add the i386 architecture"
  fi
  echo "i686 runtime: installing qemu-user-static and wine32:i386 (takes a while)" >&2
  $SUDO apt-get update -qq >/dev/null 2>&1 || skip "apt-get update failed"
  $SUDO apt-get install -y -qq qemu-user-static wine32:i386 >/dev/null 2>&1 ||
    skip "cannot install qemu-user-static and wine32:i386"
fi
[ -x /usr/lib/wine/wine ] || skip "/usr/lib/wine/wine (the 32-bit loader) is missing"
[ -x /usr/bin/qemu-i386-static ] || skip "/usr/bin/qemu-i386-static is missing"

BINFMT=/proc/sys/fs/binfmt_misc
if [ ! -e "$BINFMT/register" ]; then
  $SUDO mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null || skip "cannot mount binfmt_misc"
fi
if [ ! -e "$BINFMT/qemu-i386" ]; then
  # i386 ELF executables and shared objects (e_machine 3), the pattern qemu itself registers.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf ':qemu-i386:M::%s:%s:/usr/bin/qemu-i386-static:F\n' "$magic" "$mask" |
    $SUDO tee "$BINFMT/register" >/dev/null 2>&1 || skip "cannot register qemu-i386-static"
fi
grep -q '^enabled' "$BINFMT/qemu-i386" 2>/dev/null || skip "the qemu-i386 entry is not enabled"
grep -q '^flags: .*F' "$BINFMT/qemu-i386" || skip "the qemu-i386 entry lacks the F flag"
exit 0
