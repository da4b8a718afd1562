#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need (as root, or through sudo).
# Does nothing when everything is already there.
set -euo pipefail
packages=(
  cmake ninja-build git pkg-config python3
  clang-format                                  # source format check (scripts/check-format; version 14)
  g++ clang libclang-rt-14-dev                  # host build, sanitizers, libFuzzer
  g++-mingw-w64-x86-64-posix mingw-w64-tools    # Windows x64 cross build
  wine wine64 xvfb imagemagick iproute2          # Wine test bench, display, screenshots, namespaces
  libspdlog-dev libfmt-dev rapidjson-dev libutfcpp-dev googletest libbenchmark-dev
  libpng-dev libnetpbm-dev                      # kelno-dither: PNG and netpbm readers and writers
  netpbm graphicsmagick python3-pil             # peers of the binarisation benchmark (imagemagick above)
  fonts-dejavu-core                             # Arabic glyphs for Wine's Tahoma (make-wine-template)
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "setup: installing ${missing[*]}"
as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
