#!/usr/bin/env bash
# Gives the Windows tests of a build tree a small drive S: that fills up: a 4 MiB tmpfs mounted
# at BUILD_DIR/small-drive and linked into the Wine prefix as S:.
#   small-drive-fixture.sh start BUILD_DIR
#   small-drive-fixture.sh stop BUILD_DIR
# Mounting needs root; where it is refused the drive is left out and the reason is written to
# BUILD_DIR/small-drive.unavailable, which the tests that need the drive report as their skip
# reason. Never fails the run.
set -u
cmd="${1:-}"
build_dir="${2:-}"
if [ -z "$cmd" ] || [ -z "$build_dir" ]; then
  echo "usage: $0 start|stop BUILD_DIR" >&2
  exit 2
fi
build_dir="$(cd "$build_dir" && pwd)"
mnt="$build_dir/small-drive"
link="$build_dir/wineprefix/dosdevices/s:"
reason_file="$build_dir/small-drive.unavailable"

stop() {
  rm -f "$link"
  if mountpoint -q "$mnt" 2>/dev/null; then umount "$mnt" 2>/dev/null || umount -l "$mnt"; fi
  rmdir "$mnt" 2>/dev/null || true
}

case "$cmd" in
  start)
    stop
    rm -f "$reason_file"
    mkdir -p "$mnt"
    if ! err=$(mount -t tmpfs -o size=4m,mode=0777 velkor-small-drive "$mnt" 2>&1); then
      echo "cannot mount a small tmpfs drive: ${err:-mount failed}" >"$reason_file"
      echo "small drive unavailable: $(cat "$reason_file")"
      exit 0
    fi
    if [ ! -d "$(dirname "$link")" ]; then
      echo "the Wine prefix has no dosdevices folder" >"$reason_file"
      stop
      exit 0
    fi
    ln -sfn "$mnt" "$link"
    echo "small drive S: -> $mnt ($(df -h --output=size "$mnt" | tail -1 | tr -d ' '))"
    ;;
  stop) stop ;;
  *) echo "unknown command: $cmd" >&2; exit 2 ;;
esac
exit 0
