#!/usr/bin/env bash
# Speed of the binarisation library, one thread, every level on a label picture and a photo, beside
# Pillow, netpbm, ImageMagick and GraphicsMagick on the same pictures (bench/host/binarise_bench.cpp).
#   scripts/bench-binarise.sh [--no-peers]
# Installs what it misses (scripts/setup.sh), configures and builds the optimised host-release preset
# (-O2, no sanitizers, no tests) and runs the benchmark. It prints whether each goal is met and exits 0
# either way.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
scripts/setup.sh
cmake --preset host-release >/dev/null
cmake --build --preset host-release --target binarise_bench -j 2 >/dev/null
exec build/host-release/bench/host/binarise_bench "$@"
