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
  cmake --build --preset "$p"  2>&1 | grep -vE '^\[ *[0-9]+%\] (Building|Linking|Built)' || true
  test "${PIPESTATUS[0]}" -eq 0
done
