#!/usr/bin/env bash
# Speed of the configuration DLL under Wine against a floor DLL that answers from constants:
# DeviceCapabilitiesW(DC_PAPERNAMES) and the DocumentPropertiesW default-DEVMODE query.
#   scripts/bench.sh [BUILD_DIR] [N]
# BUILD_DIR is a Windows build tree (default: build/windows), built first; N calls per query
# (default 2000). The run uses a throwaway Wine prefix with the package folder (scripts/wine-run).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
build=${1:-$root/build/windows}
calls=${2:-2000}
cmake --build "$build" --target driverui_bench package_folder >/dev/null
export KELNO_WINE_ROOT="$build/wine"
export KELNO_PACKAGE_DIR="$build/dist/Tavolen printer driver for windows"
exec "$here/wine-run" "$build/bench/driverui_bench.exe" "$calls"
