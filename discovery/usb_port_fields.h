#pragma once
// The rules that turn the registry data of one USB printing-class interface into a PortRecord,
// the "Device Parameters" key name of an interface, the vendor filter of the port-to-device-path
// lookup and the spooler port name of a USB port number. The Win32 scan reads the values and
// calls these; nothing here touches the system.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "discovery/ansi_text.h"
#include "discovery/port_record.h"

namespace kelno {

// Interface class of the USB printing class driver, as it stands in registry key names.
inline constexpr std::u16string_view kUsbPrintInterfaceClassKey = u"{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

// At most this many characters of "Port Description" and "Serial Number" are kept.
inline constexpr std::size_t kUsbDeviceTextLimit = 32;
// The description is converted to at most this many ANSI bytes for the checksum.
inline constexpr std::size_t kUsbAnsiDescriptionLimit = 255;

// What the scan read for one interface. Missing string values are empty; a missing
// "Port Number" is nullopt.
struct UsbInterfaceValues {
    std::u16string_view devicePath;
    std::u16string_view portDescription;
    std::optional<std::uint32_t> portNumber;
    std::u16string_view serialNumber;
};

// "USB" followed by the port number in at least three digits: 7 -> "USB007", 1234 -> "USB1234".
std::u16string UsbPortName(std::uint32_t portNumber);

// The four characters after the first twelve of a device path ("\\?\usb#vid_2d37&pid_..."
// gives "2d37"), case kept. A path too short to hold them gives "".
std::u16string_view UsbVendorIdFromPath(std::u16string_view devicePath);

// The vendors whose printers the port-to-device-path lookup accepts: "2d37", "2d84", "2D37",
// "2D84", compared exactly.
bool IsSupportedUsbVendorId(std::u16string_view vendorId);

// "SYSTEM\CurrentControlSet\Control\DeviceClasses\{28d78fad-...}\##?#<path less "\\?\">\#\Device
// Parameters", to be opened under HKEY_LOCAL_MACHINE. Empty when the path has nothing after its
// first four characters or would leave its own key (a backslash or NUL after them).
std::u16string UsbDeviceParametersKey(std::u16string_view devicePath);

// Text cut to at most limit UTF-16 units; a surrogate pair that the cut would split is left
// out whole.
std::u16string_view CutText(std::u16string_view text, std::size_t limit);

// Fills a zero-filled record from the values: vendor id, port name (empty when the port number
// is missing), description and serial number cut to 32 characters, the checksum of the ANSI
// bytes of the cut description as "%04x", the hardware identifier, and port type 1.
void FillUsbPortRecord(PortRecord& record, const UsbInterfaceValues& values, ToAnsiFn toAnsi = AsciiAnsiFromU16);

// Pushes a filled USB record on devices and removes from spoolerPorts (when given) the entry
// that carries the same port name: the connected device is shown in its place.
void AdoptUsbRecord(PortList& devices, PortList* spoolerPorts, PortRecordPtr record) noexcept;

// One step of the port-to-device-path lookup: true when this interface is the printer behind
// portName (exact, case-sensitive). anyVendor is the configuration DLL's variant, which does
// not filter by vendor.
bool UsbInterfaceServesPort(std::u16string_view devicePath, std::optional<std::uint32_t> portNumber,
                            std::u16string_view portName, bool anyVendor = false);

// Stores a device path in a 260-character buffer. A path that does not fit whole is not stored
// (the buffer is left empty and false returned): a cut path would name another device or none.
bool StoreDevicePath(char16_t (&out)[kPortTextChars], std::u16string_view devicePath);

}  // namespace kelno
