#!/usr/bin/env bash
# Unpacking and packing speed, side by side in one run, on about 200 MB of real files (the host's
# shared libraries and documentation, copied flat into one folder under unique names):
#   velkor-pack extract          the stub's unpacker, natively
#   stub under Wine              the x86_64 stub's whole setup run; its unpack time comes from the
#                                "UnCompressTime:" viewer line, its peak memory from /usr/bin/time
#   ceiling                      the same blocks inflated in memory with zlib, plain writes
#   unzip                        a zip of the same files
#   velkor-pack pack / zip -6    packing speed and size (and the zip -9 size)
# Each command runs RUNS times (default 5), alternating with the others, always into a new empty
# folder; the figures are medians. Prints figures, asserts nothing. Needs built host and win64
# trees (cmake --build --preset host / win64).
#   bench/unpack/run.sh [SIZE_MB] [RUNS]
set -eu
root="$(cd "$(dirname "$0")/../.." && pwd)"
host="$root/build/host"
win="$root/build/win64"
size_mb="${1:-200}"
runs="${2:-5}"
work="$root/build/bench-unpack"
pack="$host/bin/velkor-pack"
[ -x "$pack" ] || { echo "build the host preset first" >&2; exit 1; }
[ -f "$win/bin/velkor-stub.exe" ] && [ -f "$win/bin/debug_viewer.exe" ] ||
  { echo "build the win64 preset first" >&2; exit 1; }
command -v zip >/dev/null && command -v unzip >/dev/null || { echo "install zip and unzip" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work/files" "$work/out"
g++ -std=c++20 -O2 -Wall -Wextra -Werror -I"$root/src" "$root/bench/unpack/inflate_ceiling.cpp" \
  "$host/src/libvelkor_core.a" -lz -o "$work/inflate_ceiling"

# --- the files: shared libraries up to 20 MB each, then documentation, until SIZE_MB ----------
limit=$((size_mb * 1000 * 1000))
{
  find /usr/lib/x86_64-linux-gnu -maxdepth 2 -type f -name '*.so*' -size -20M | sort
  find /usr/share/doc -type f | sort
} | awk -v limit="$limit" -v dir="$work/files" '
  { cmd = "stat -c %s \"" $0 "\""; cmd | getline size; close(cmd)
    if (total + size > limit) next
    n++; total += size
    name = $0; sub(/.*\//, "", name); gsub(/[^A-Za-z0-9._-]/, "_", name)
    printf "%s\t%s/%05d_%s\n", $0, dir, n, name
    if (total > limit - 100000) exit }' |
  while IFS=$'\t' read -r from to; do cp "$from" "$to"; done
cp "$win/bin/test_engine.exe" "$work/files/engine.exe"
count=$(ls "$work/files" | wc -l)
bytes=$(du -sb "$work/files" | cut -f1)
{
  echo "[Package]"
  echo "Output=$work/setup.exe"
  echo "Stub=$win/bin/velkor-stub.exe"
  echo "Engine=engine.exe"
  echo "[Files]"
  (cd "$work/files" && ls | sed 's/$/=/')
} >"$work/files/package.ini"

now() { date +%s.%N; }
secs() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f\n", b - a }'; }
fresh() { rm -rf "$work/out"; mkdir -p "$work/out"; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/t.pack"; : >"$work/t.zip6"; : >"$work/t.extract"; : >"$work/t.ceiling"; : >"$work/t.unzip"
: >"$work/t.stub"; : >"$work/t.stubrun"; : >"$work/m.stub"
"$win/wine-run" --start
# One viewer records the stub's viewer lines of every run.
viewer_out="$work/viewer.txt"
rm -f "$viewer_out" "$viewer_out.ready"
"$win/wine-run" "$win/bin/debug_viewer.exe" "Z:${viewer_out//\//\\}" 7200000 </dev/null >/dev/null 2>&1 &
viewer_pid=$!
trap 'kill "$viewer_pid" 2>/dev/null || true' EXIT
for _ in $(seq 300); do [ -f "$viewer_out.ready" ] && break; sleep 0.1; done
[ -f "$viewer_out.ready" ] || { echo "the debug viewer did not start" >&2; exit 1; }

for i in $(seq "$runs"); do
  echo "round $i of $runs" >&2
  rm -f "$work/setup.exe" "$work/files.zip"
  t0=$(now); (cd "$work/files" && "$pack" pack package.ini >/dev/null); t1=$(now)
  secs "$t0" "$t1" >>"$work/t.pack"
  t0=$(now); (cd "$work/files" && zip -q -6 "$work/files.zip" $(ls | grep -v '^package.ini$')); t1=$(now)
  secs "$t0" "$t1" >>"$work/t.zip6"

  fresh; t0=$(now); "$pack" extract "$work/setup.exe" "$work/out/x" >/dev/null; t1=$(now)
  secs "$t0" "$t1" >>"$work/t.extract"
  fresh; "$work/inflate_ceiling" "$work/setup.exe" "$work/out" >>"$work/t.ceiling"
  fresh; t0=$(now); unzip -q "$work/files.zip" -d "$work/out/x"; t1=$(now)
  secs "$t0" "$t1" >>"$work/t.unzip"
  fresh
  t0=$(now)
  /usr/bin/time -f "%M" -o "$work/mem.txt" "$win/wine-run" "$work/setup.exe" </dev/null >/dev/null 2>&1 || true
  t1=$(now)
  secs "$t0" "$t1" >>"$work/t.stubrun"
  cat "$work/mem.txt" | tail -1 >>"$work/m.stub"
done
sleep 1
tr -d '\r' <"$viewer_out" | sed -n 's/^UnCompressTime: \([0-9]*\) MS.*/\1/p' |
  awk '{ printf "%.3f\n", $1 / 1000 }' >"$work/t.stub"

pack_size=$(stat -c %s "$work/setup.exe")
zip6_size=$(stat -c %s "$work/files.zip")
rm -f "$work/files9.zip"
(cd "$work/files" && zip -q -9 "$work/files9.zip" $(ls | grep -v '^package.ini$'))
zip9_size=$(stat -c %s "$work/files9.zip")
fresh

m() { median <"$work/$1"; }
stub_runs=$(wc -l <"$work/t.stub")
awk -v mb="$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" -v count="$count" -v runs="$runs" \
    -v extract="$(m t.extract)" -v ceiling="$(m t.ceiling)" -v unz="$(m t.unzip)" \
    -v stub="$( [ "$stub_runs" -gt 0 ] && m t.stub || echo 0)" -v stub_runs="$stub_runs" \
    -v stubrun="$(m t.stubrun)" -v mem="$(m m.stub)" \
    -v pack="$(m t.pack)" -v zip6="$(m t.zip6)" \
    -v ps="$pack_size" -v z6="$zip6_size" -v z9="$zip9_size" 'BEGIN {
  printf "files: %d, %.1f MB; medians of %d runs, MB = 10^6 bytes of unpacked content\n", count, mb, runs
  printf "unpack\n"
  printf "  velkor-pack extract     %7.3f s  %7.1f MB/s\n", extract, mb / extract
  if (stub > 0)
    printf "  stub under Wine         %7.3f s  %7.1f MB/s  (UnCompressTime, %d runs seen)\n", stub, mb / stub, stub_runs
  printf "  stub whole run          %7.3f s  %7.1f MB/s  (start to exit, engine included)\n", stubrun, mb / stubrun
  printf "  stub peak memory        %7.1f MB (max RSS of the Wine process)\n", mem / 1024
  printf "  ceiling (zlib, write)   %7.3f s  %7.1f MB/s\n", ceiling, mb / ceiling
  printf "  unzip                   %7.3f s  %7.1f MB/s\n", unz, mb / unz
  printf "pack\n"
  printf "  velkor-pack pack        %7.3f s  %7.1f MB/s  %11d bytes (%.1f %%)\n", pack, mb / pack, ps, ps / (mb * 1e4)
  printf "  zip -6                  %7.3f s  %7.1f MB/s  %11d bytes (%.1f %%)\n", zip6, mb / zip6, z6, z6 / (mb * 1e4)
  printf "  zip -9                                        %11d bytes (%.1f %%)\n", z9, z9 / (mb * 1e4)
}'
