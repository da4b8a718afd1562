#pragma once
// USB printers bound to the USB printing class driver: the scan that lists them with their
// spooler port names ("USB001", ...) and hardware identifiers, the lookup of a printer's device
// path by its port name, and the printer's model variant from its IEEE 1284 device ID.
// Every failing system call skips the interface in hand; nothing is reported to the user.
// Runs on the user-interface thread: the lists are not locked.
#include <windows.h>

#include <cstdint>

#include "discovery/device_id.h"
#include "discovery/port_record.h"

namespace kelno {

// Wizard form: empties UsbDeviceList, asks the configuration manager to re-enumerate the device
// tree, and lists every present USB printing-class interface, whatever its vendor. Each new
// record takes the place of the SpoolerPortList entry with the same port name. Returns the
// number of records added.
std::uint32_t ScanUsbPorts();

// One-click installer's form: the same listing into devices (emptied first), without
// re-enumeration and without a spooler list.
std::uint32_t ScanUsbPorts(PortList& devices);

// Which printers the port-to-device-path lookup considers: the setup programs accept only the
// vendors 2D37 and 2D84; the configuration DLL accepts any.
enum class UsbVendorScope { supportedVendors, anyVendor };

// Fills devicePath with the interface path of the printer whose spooler port name equals
// portName (exact, case-sensitive). True when found; otherwise devicePath is left empty.
bool FindUsbDevicePath(const wchar_t* portName, wchar_t (&devicePath)[kPortTextChars],
                       UsbVendorScope scope = UsbVendorScope::supportedVendors);

// Asks the printer behind portName for its IEEE 1284 device ID and writes "Quillon MX-362_"
// (command set "QVL") or "Quillon MX-362" (anything else) into modelText. Leaves modelText as
// it was, and returns false, when the printer is not found, cannot be opened or does not answer.
bool ResolveDeviceModelVariant(const wchar_t* portName, wchar_t (&modelText)[kModelVariantChars]);

}  // namespace kelno
