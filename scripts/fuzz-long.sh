#!/usr/bin/env bash
# Long fuzzing runs, one target after the other, for the figures a release note needs:
#   scripts/fuzz-long.sh [SECONDS_PER_TARGET] [TARGET...]
# Needs the fuzz preset built (./scripts/build.sh fuzz). Each target starts from its seed corpus in
# tests/fuzz/corpus/<name> and grows a work corpus under build/fuzz-long/<name> (the seeds in the
# repository are never written). Findings go to build/fuzz-long/artifacts/<name>/. Prints one line
# per target: executions, coverage (edges), features, corpus size, and the result.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-1800}"
shift || true
bin="$root/build/fuzz/bin"
out="$root/build/fuzz-long"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$root"/tests/fuzz/*_fuzz.cpp; do n=$(basename "$f" .cpp); targets+=("${n%_fuzz}"); done
fi
mkdir -p "$out"
for name in "${targets[@]}"; do
  exe="$bin/${name}_fuzz"
  [ -x "$exe" ] || { echo "$name: not built ($exe)"; continue; }
  mkdir -p "$out/$name" "$out/artifacts/$name"
  log="$out/$name.log"
  ASAN_OPTIONS=detect_leaks=1 "$exe" -max_total_time="$seconds" -rss_limit_mb=1024 \
    -max_len=1048576 -timeout=20 -print_final_stats=1 \
    -artifact_prefix="$out/artifacts/$name/" "$out/$name" "$root/tests/fuzz/corpus/$name" \
    >"$log" 2>&1
  rc=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  cov=$(grep -E '^#[0-9]+' "$log" | grep -o 'cov: [0-9]*' | tail -1 | grep -o '[0-9]*')
  ft=$(grep -E '^#[0-9]+' "$log" | grep -o 'ft: [0-9]*' | tail -1 | grep -o '[0-9]*')
  corpus=$(ls "$out/$name" | wc -l)
  result=$([ $rc -eq 0 ] && echo "no finding" || echo "FINDING (exit $rc, see $log)")
  printf '%-18s %6ss  runs %-11s cov %-6s ft %-6s corpus %-5s %s\n' \
    "$name" "$seconds" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$corpus" "$result"
done
