#!/usr/bin/env bash
# Installs what is missing, then configures and builds the given presets (default: all three).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(host win64 win32)
for p in "${presets[@]}"; do
  echo "== build $p"
  cmake --preset "$p" >/dev/null
  mkdir -p build
  # The full compiler output goes to a log; on failure its end is shown.
  if ! cmake --build --preset "$p" >"build/build-$p.log" 2>&1; then
    grep -E 'error|Error' "build/build-$p.log" | head -n 40
    echo "build of preset $p failed; see build/build-$p.log" >&2
    exit 1
  fi
done
