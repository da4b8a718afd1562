#include "discovery/usb_port_fields.h"

#include "discovery/usb_checksum.h"
#include "discovery/usb_hardware_id.h"

namespace kelno {
namespace {

constexpr std::size_t kVendorIdOffset = 12;  // "\\?\usb#vid_"
constexpr std::size_t kVendorIdLength = 4;
constexpr std::size_t kDevicePathPrefixLength = 4;  // "\\?\"

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

}  // namespace

std::u16string UsbPortName(std::uint32_t portNumber) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + portNumber % 10));
        portNumber /= 10;
    } while (portNumber != 0);
    while (digits.size() < 3) digits.insert(digits.begin(), u'0');
    return u"USB" + digits;
}

std::u16string_view UsbVendorIdFromPath(std::u16string_view devicePath) {
    if (devicePath.size() < kVendorIdOffset + kVendorIdLength) return {};
    return devicePath.substr(kVendorIdOffset, kVendorIdLength);
}

bool IsSupportedUsbVendorId(std::u16string_view vendorId) {
    return vendorId == u"2d37" || vendorId == u"2d84" || vendorId == u"2D37" || vendorId == u"2D84";
}

std::u16string UsbDeviceParametersKey(std::u16string_view devicePath) {
    if (devicePath.size() <= kDevicePathPrefixLength) return {};
    const std::u16string_view rest = devicePath.substr(kDevicePathPrefixLength);
    if (rest.find_first_of(std::u16string_view(u"\\\0", 2)) != std::u16string_view::npos) return {};
    std::u16string key(u"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\");
    key += kUsbPrintInterfaceClassKey;
    key += u"\\##?#";
    key += rest;
    key += u"\\#\\Device Parameters";
    return key;
}

std::u16string_view CutText(std::u16string_view text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t n = limit;
    if (n > 0 && IsHighSurrogate(text[n - 1])) --n;
    return text.substr(0, n);
}

void FillUsbPortRecord(PortRecord& record, const UsbInterfaceValues& values, ToAnsiFn toAnsi) {
    SetField(record.vendorId, UsbVendorIdFromPath(values.devicePath));
    SetField(record.portName, values.portNumber ? UsbPortName(*values.portNumber) : std::u16string());
    const std::u16string_view description = CutText(values.portDescription, kUsbDeviceTextLimit);
    SetField(record.description, description);
    SetField(record.serialNumber, CutText(values.serialNumber, kUsbDeviceTextLimit));

    std::string ansi = (toAnsi ? toAnsi : AsciiAnsiFromU16)(description);
    if (ansi.size() > kUsbAnsiDescriptionLimit) ansi.resize(kUsbAnsiDescriptionLimit);
    const std::uint16_t checksum =
        UsbHardwareIdChecksum(reinterpret_cast<const std::uint8_t*>(ansi.data()), ansi.size());
    SetField(record.hardwareIdChecksum, ChecksumDigits(checksum));
    SetField(record.hardwareId, FormatUsbHardwareId(description, checksum));
    record.portType = kPortTypeUsb;
}

void AdoptUsbRecord(PortList& devices, PortList* spoolerPorts, PortRecordPtr record) noexcept {
    if (!record) return;
    const std::u16string_view portName = FieldText(record->portName);
    PushFront(devices, std::move(record));
    if (spoolerPorts) RemoveByPortName(*spoolerPorts, portName);  // the name lives on in the pushed record
}

bool UsbInterfaceServesPort(std::u16string_view devicePath, std::optional<std::uint32_t> portNumber,
                            std::u16string_view portName, bool anyVendor) {
    if (!anyVendor && !IsSupportedUsbVendorId(UsbVendorIdFromPath(devicePath))) return false;
    if (!portNumber || portName.empty()) return false;
    return UsbPortName(*portNumber) == portName;
}

bool StoreDevicePath(char16_t (&out)[kPortTextChars], std::u16string_view devicePath) {
    if (devicePath.size() >= kPortTextChars || devicePath.find(u'\0') != std::u16string_view::npos) {
        SetField(out, {});
        return false;
    }
    return SetField(out, devicePath);
}

}  // namespace kelno
