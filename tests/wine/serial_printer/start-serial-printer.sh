#!/bin/sh
# Prefix set-up of the firmware transfer tests (scripts/wine-run, KELNO_PREFIX_SETUP): starts the
# simulated serial printer on COM3 of the test prefix and waits until the port link exists.
"$KELNO_SERIAL_PRINTER" "$WINEPREFIX" com3 </dev/null >"$WINEPREFIX/serial-printer.log" 2>&1 &
i=0
while [ $i -lt 100 ]; do
  [ -L "$WINEPREFIX/dosdevices/com3" ] && [ "$(readlink "$WINEPREFIX/dosdevices/com3")" != /dev/ttyS2 ] && exit 0
  sleep 0.1
  i=$((i + 1))
done
echo "the serial printer did not start:" >&2
cat "$WINEPREFIX/serial-printer.log" >&2
exit 1
