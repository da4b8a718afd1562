#pragma once
// The pure rules of the Bluetooth serial-port listing: Bluetooth evidence of a COM interface,
// the device address from the address property or from the device path, the port name and
// device name of an entry, the incoming-port filter and the row texts. The SetupAPI walk, the
// registry reads and the log lines are the Win32 side's; the words returned here (sources,
// directions, reasons) are the ones those log lines carry.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/ansi_text.h"

namespace kelno {

inline constexpr std::size_t kBluetoothPortNameChars = 32;
inline constexpr std::size_t kBluetoothDeviceNameChars = 256;
inline constexpr std::size_t kBluetoothAddressChars = 18;
inline constexpr std::size_t kBluetoothAddressDigits = 12;

// BluetoothPortEntry::addressState and the result of the address rules.
inline constexpr std::int32_t kAddressNone = 0;
inline constexpr std::int32_t kAddressZero = 1;  // an incoming (server) port
inline constexpr std::int32_t kAddressNonZero = 2;

// One eligible port of the listing.
struct BluetoothPortEntry {
    char16_t portName[kBluetoothPortNameChars];
    char16_t deviceName[kBluetoothDeviceNameChars];
    char16_t address[kBluetoothAddressChars];  // 12 hex digits, or empty
    std::int32_t addressState;
};
static_assert(sizeof(BluetoothPortEntry::portName) == 32 * sizeof(char16_t));
static_assert(sizeof(BluetoothPortEntry::deviceName) == 256 * sizeof(char16_t));
static_assert(sizeof(BluetoothPortEntry::address) == 18 * sizeof(char16_t));
static_assert(sizeof(BluetoothPortEntry::addressState) == 4);

// Address source words of the log.
inline constexpr char kSourceInterfaceProperty[] = "interface_property";
inline constexpr char kSourceDevicePathMarker0[] = "device_path_marker_0";
inline constexpr char kSourceDevicePathMarker1[] = "device_path_marker_1";
inline constexpr char kSourceDevicePathMarkers[] = "device_path_markers";  // no marker decided yet
inline constexpr char kSourceUnavailable[] = "unavailable";

struct BluetoothAddress {
    std::int32_t state = kAddressNone;
    char16_t digits[kBluetoothAddressDigits + 1] = {};
    const char* source = kSourceUnavailable;
    const char* reason = "";  // why no address was taken: a reason= word of the log; "" when found
    std::u16string_view Digits() const;
};

// The text of the interface's address property ("00:11:22:aa:bb:cc"). Accepted when every
// character is a hexadecimal digit (taken upper-cased), ":", "-" or white space, and exactly 12
// digits were taken; the text ends at its first NUL. Rejected text gives state 0 with reason
// "invalid_data".
BluetoothAddress ParseAddressProperty(std::u16string_view text);

// The address in a device path: after "&0&" (source "device_path_marker_0"), or when that is
// absent after "&1&" ("device_path_marker_1"), up to the next "_" (or the end); exactly 12
// hexadecimal digits, kept as they stand. Reasons: "invalid_arguments" (empty path),
// "address_marker_not_found", "address_length_invalid", "address_not_hex".
BluetoothAddress ExtractAddress(std::u16string_view devicePath);

// "zero" or "nonzero" for the found-address log line.
const char* AddressStateWord(std::int32_t state);

// Bluetooth evidence of a COM port interface: its hardware identifier contains "BTHENUM\" or
// its device path contains "bthenum", both without regard to ASCII case.
struct BluetoothEvidence {
    bool hardwareId = false;
    bool pathHint = false;
    bool Any() const { return hardwareId || pathHint; }
};
BluetoothEvidence FindBluetoothEvidence(std::u16string_view hardwareId, std::u16string_view devicePath);

// The entry's port name from the device's "PortName" value: cut at 31 characters; a name that
// starts with "COM" (any case), is 1 to 30 characters long and does not end in ":" gets ":"
// ("COM5" -> "COM5:").
std::u16string BluetoothPortName(std::u16string_view registryPortName);

// Whether a name starts with "COM" in any case.
bool StartsWithCom(std::u16string_view portName);

// Port names as the registered-port comparison keeps them: every trailing ":" removed and
// ASCII letters upper-cased ("com5:" -> "COM5").
std::u16string NormaliseComPortName(std::u16string_view portName);

// A small set of normalised COM port names in the order they were added.
class ComPortNameSet {
public:
    // Adds the normalised name; false when it is empty or already present.
    bool Add(std::u16string_view portName);
    bool Contains(std::u16string_view portName) const;
    const std::vector<std::u16string>& Names() const { return names_; }
    std::size_t Size() const { return names_.size(); }

private:
    std::vector<std::u16string> names_;
};

// The registered ports that no COM interface showed ("os_com_missing_from_setupapi").
std::vector<std::u16string> PortsMissingFromInterfaces(const ComPortNameSet& registered,
                                                       const ComPortNameSet& seenThroughInterfaces);

// The direction rule: a zero address is an incoming port and is dropped, no address is listed
// with direction "unknown", a non-zero address is listed as "outgoing_candidate".
struct BluetoothDirection {
    bool eligible;
    const char* direction;  // "outgoing_candidate", "incoming_candidate" or "unknown"
    const char* reason;     // "zero_address_candidate", "address_unavailable" or ""
};
BluetoothDirection DecideBluetoothDirection(std::int32_t addressState);

// The entry's device name: the remote device's name (looked up only for a non-zero address),
// else the friendly name when it was read and is not empty, else "Unknown".
struct BluetoothDeviceName {
    std::u16string name;
    const char* source;  // "remote_device", "setupapi_friendly_name" or "fallback"
};
BluetoothDeviceName ChooseBluetoothDeviceName(std::int32_t addressState, std::optional<std::u16string_view> remoteName,
                                              std::optional<std::u16string_view> friendlyName);

// Fills an eligible entry; each text is cut to its field.
BluetoothPortEntry MakeBluetoothPortEntry(std::u16string_view portName, std::u16string_view deviceName,
                                          const BluetoothAddress& address);

// "SYSTEM\CurrentControlSet\Services\BTHPORT\Parameters\Devices\<address>"; empty unless the
// address is 12 hexadecimal digits.
std::u16string BluetoothDeviceKey(std::u16string_view address);

// The remote device's "Name" value (REG_BINARY or REG_SZ, ANSI bytes), up to its first NUL.
// Fails with "name_conversion_failed" when nothing converts and "name_buffer_too_small" when the
// name has 256 characters or more (requiredChars = characters + 1).
struct BluetoothNameValue {
    bool ok = false;
    std::u16string name;
    const char* reason = "";
    std::size_t requiredChars = 0;
};
BluetoothNameValue DeviceNameFromValue(const std::uint8_t* data, std::size_t size,
                                       FromAnsiFn fromAnsi = U16FromAsciiAnsi);

// "BT Printer(COM5:)", and the last row of the listing.
std::u16string BluetoothRowText(std::u16string_view portName);
inline constexpr std::u16string_view kAddBluetoothPrinterRow = u"Add Bluetooth Printer ...";

// The address of a chosen device as logged by the pairing: "%02X" of its six bytes, most
// significant first. rgBytes is in the order of BLUETOOTH_ADDRESS (least significant first).
std::string FormatPairedDeviceAddress(const std::uint8_t (&rgBytes)[6]);

}  // namespace kelno
