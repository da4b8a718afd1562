#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine and runs every test: the source format check, the host unit
# tests (ASan + UBSan), the fuzz targets (a short budget each) and the Windows tests under wine64.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/setup.sh
status=0
format=passed
scripts/check-format || { status=1; format=FAILED; }
scripts/build.sh windows host
ctest --preset host -j "$(nproc)" || status=1
ctest --preset windows -j "$(nproc)" || status=1
[ "$format" = passed ] ||
  echo "test.sh: format check FAILED: sources drift from .clang-format (scripts/check-format; --fix applies it)"
[ $status -eq 0 ] && echo "test.sh: all tests passed" || echo "test.sh: some tests FAILED"
exit $status
