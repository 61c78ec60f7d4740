#!/usr/bin/env bash
# Throughput of the stub's HTTP client under Wine against curl, both downloading the same 200 MB
# file from the same local nginx in one run. Needs a built win64 tree (cmake --build --preset win64).
#   bench/download/run.sh [SIZE_MB]
set -eu
root="$(cd "$(dirname "$0")/../.." && pwd)"
win="$root/build/win64"
size_mb="${1:-200}"
work="$root/build/bench-download"
[ -f "$win/src/libvelkor_win.a" ] || { echo "build the win64 preset first" >&2; exit 1; }
mkdir -p "$work"

x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -Werror -DWIN32_LEAN_AND_MEAN \
  -I"$root/src" "$root/bench/download/download_bench_win.cpp" \
  "$win/src/libvelkor_win.a" "$win/src/libvelkor_core.a" -lz -lcomctl32 -lgdi32 -luser32 -lkernel32 -ladvapi32 -lshell32 -lole32 \
  -static -o "$work/download_bench.exe"

"$root/scripts/nginx-fixture.sh" start "$work"
trap '"$root/scripts/nginx-fixture.sh" stop "$work"' EXIT
www="$work/nginx-fixture/www"
port="$(cat "$work/nginx-fixture/port")"
head -c "$((size_mb * 1024 * 1024))" /dev/urandom > "$www/big.bin"
url="http://127.0.0.1:$port/big.bin"
want="$(sha256sum < "$www/big.bin" | cut -d' ' -f1)"

rm -f "$work"/curl.bin "$work"/client.bin*
curl_s="$(curl -s -o "$work/curl.bin" -w '%{time_total}' "$url")"
[ "$(sha256sum < "$work/curl.bin" | cut -d' ' -f1)" = "$want" ] || { echo "curl copy differs" >&2; exit 1; }

"$win/wine-run" --start
client_s="$("$win/wine-run" "$work/download_bench.exe" "$url" "Z:${work//\//\\}\\client.bin" | tr -d '\r')"
[ "$(sha256sum < "$work/client.bin" | cut -d' ' -f1)" = "$want" ] || { echo "client copy differs" >&2; exit 1; }
rm -f "$work"/curl.bin "$work"/client.bin "$www/big.bin"

awk -v mb="$size_mb" -v c="$curl_s" -v s="$client_s" 'BEGIN {
  printf "file      %d MB from nginx on 127.0.0.1\n", mb
  printf "curl      %7.3f s  %8.1f MB/s\n", c, mb / c
  printf "client    %7.3f s  %8.1f MB/s (under Wine)\n", s, mb / s
  printf "ratio     %6.1f %% of curl throughput\n", 100 * c / s
}'
