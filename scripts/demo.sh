#!/usr/bin/env bash
# The main job on a fresh Debian 12 machine: sets everything up, builds the package folder
# (dist/Tavolen printer driver for windows), makes a throwaway Wine prefix that holds it the
# way the setup unpacks it, and does there what a person does: connects a USB printer
# "TavolenMX-410" (simulated through SetupAPI), runs "usbonestep.exe /silence", prints the queue,
# driver and port the spooler lists, runs the silent uninstall "unins000.exe /silence" and prints
# what is left. Never touches ~/.wine or your display. KELNO_KEEP_PREFIX=1 keeps the prefix.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/setup.sh
scripts/build.sh windows
echo
echo "Package folder: $(pwd)/dist/Tavolen printer driver for windows"
(cd dist && find "Tavolen printer driver for windows" -type f | sort | sed 's/^/  /')
echo
KELNO_WINE_ROOT="$(pwd)/build/windows/wine" \
KELNO_PACKAGE_DIR="$(pwd)/build/windows/dist/Tavolen printer driver for windows" \
  scripts/wine-run build/windows/demo/kelno_usb_demo.exe
