#!/usr/bin/env bash
# Configures and builds one or both builds: build.sh [windows] [host]  (default: both).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
presets=("$@")
[ ${#presets[@]} -eq 0 ] && presets=(windows host)
for p in "${presets[@]}"; do
  cmake --preset "$p" >/dev/null
  cmake --build --preset "$p" -j "$(nproc)"
done
