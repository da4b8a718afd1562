#include "discovery/bluetooth_address.h"

namespace kelno {
namespace {

bool IsHexDigit(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }

bool ContainsIgnoringCase(std::u16string_view text, std::u16string_view part) {
    if (part.size() > text.size()) return false;
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < part.size() && AsciiUpper(text[at + i]) == AsciiUpper(part[i])) ++i;
        if (i == part.size()) return true;
    }
    return false;
}

void SetDigits(BluetoothAddress& address, std::u16string_view digits) {
    for (std::size_t i = 0; i < kBluetoothAddressDigits; ++i) address.digits[i] = digits[i];
    address.digits[kBluetoothAddressDigits] = u'\0';
    address.state = digits == u"000000000000" ? kAddressZero : kAddressNonZero;
    address.reason = "";
}

template <std::size_t N>
void CopyCut(char16_t (&field)[N], std::u16string_view text) {
    const std::size_t n = text.size() < N - 1 ? text.size() : N - 1;
    for (std::size_t i = 0; i < n; ++i) field[i] = text[i];
    for (std::size_t i = n; i < N; ++i) field[i] = u'\0';
}

}  // namespace

std::u16string_view BluetoothAddress::Digits() const {
    std::size_t n = 0;
    while (n < kBluetoothAddressDigits && digits[n] != u'\0') ++n;
    return std::u16string_view(digits, n);
}

BluetoothAddress ParseAddressProperty(std::u16string_view text) {
    BluetoothAddress result;
    result.source = kSourceInterfaceProperty;
    result.reason = "invalid_data";
    char16_t digits[kBluetoothAddressDigits];
    std::size_t taken = 0;
    for (char16_t c : text) {
        if (c == u'\0') break;
        if (IsHexDigit(c)) {
            if (taken == kBluetoothAddressDigits) return result;
            digits[taken++] = AsciiUpper(c);
        } else if (c != u':' && c != u'-' && !IsSpace(c)) {
            return result;
        }
    }
    if (taken != kBluetoothAddressDigits) return result;
    SetDigits(result, std::u16string_view(digits, taken));
    return result;
}

BluetoothAddress ExtractAddress(std::u16string_view devicePath) {
    BluetoothAddress result;
    result.source = kSourceDevicePathMarkers;
    if (devicePath.empty()) {
        result.reason = "invalid_arguments";
        return result;
    }
    std::size_t marker = devicePath.find(u"&0&");
    if (marker != std::u16string_view::npos) {
        result.source = kSourceDevicePathMarker0;
    } else {
        marker = devicePath.find(u"&1&");
        if (marker == std::u16string_view::npos) {
            result.reason = "address_marker_not_found";
            return result;
        }
        result.source = kSourceDevicePathMarker1;
    }
    const std::size_t start = marker + 3;
    const std::size_t end = devicePath.find(u'_', start);
    const std::u16string_view digits =
        devicePath.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start);
    if (digits.size() != kBluetoothAddressDigits) {
        result.reason = "address_length_invalid";
        return result;
    }
    for (char16_t c : digits) {
        if (!IsHexDigit(c)) {
            result.reason = "address_not_hex";
            return result;
        }
    }
    SetDigits(result, digits);
    return result;
}

const char* AddressStateWord(std::int32_t state) {
    return state == kAddressZero ? "zero" : state == kAddressNonZero ? "nonzero" : "none";
}

BluetoothEvidence FindBluetoothEvidence(std::u16string_view hardwareId, std::u16string_view devicePath) {
    BluetoothEvidence evidence;
    evidence.hardwareId = ContainsIgnoringCase(hardwareId, u"BTHENUM\\");
    evidence.pathHint = ContainsIgnoringCase(devicePath, u"bthenum");
    return evidence;
}

bool StartsWithCom(std::u16string_view portName) {
    return portName.size() >= 3 && AsciiUpper(portName[0]) == u'C' && AsciiUpper(portName[1]) == u'O' &&
           AsciiUpper(portName[2]) == u'M';
}

std::u16string BluetoothPortName(std::u16string_view registryPortName) {
    const std::size_t nul = registryPortName.find(u'\0');
    if (nul != std::u16string_view::npos) registryPortName = registryPortName.substr(0, nul);
    std::u16string name(registryPortName.substr(0, kBluetoothPortNameChars - 1));
    if (StartsWithCom(name) && name.size() <= kBluetoothPortNameChars - 2 && name.back() != u':') name += u':';
    return name;
}

std::u16string NormaliseComPortName(std::u16string_view portName) {
    while (!portName.empty() && portName.back() == u':') portName.remove_suffix(1);
    std::u16string name(portName);
    for (auto& c : name) c = AsciiUpper(c);
    return name;
}

bool ComPortNameSet::Add(std::u16string_view portName) {
    std::u16string name = NormaliseComPortName(portName);
    if (name.empty() || Contains(name)) return false;
    names_.push_back(std::move(name));
    return true;
}

bool ComPortNameSet::Contains(std::u16string_view portName) const {
    const std::u16string name = NormaliseComPortName(portName);
    for (const auto& known : names_)
        if (known == name) return true;
    return false;
}

std::vector<std::u16string> PortsMissingFromInterfaces(const ComPortNameSet& registered,
                                                       const ComPortNameSet& seenThroughInterfaces) {
    std::vector<std::u16string> missing;
    for (const auto& name : registered.Names())
        if (!seenThroughInterfaces.Contains(name)) missing.push_back(name);
    return missing;
}

BluetoothDirection DecideBluetoothDirection(std::int32_t addressState) {
    if (addressState == kAddressZero) return {false, "incoming_candidate", "zero_address_candidate"};
    if (addressState == kAddressNonZero) return {true, "outgoing_candidate", ""};
    return {true, "unknown", "address_unavailable"};
}

BluetoothDeviceName ChooseBluetoothDeviceName(std::int32_t addressState, std::optional<std::u16string_view> remoteName,
                                              std::optional<std::u16string_view> friendlyName) {
    if (addressState == kAddressNonZero && remoteName && !remoteName->empty())
        return {std::u16string(*remoteName), "remote_device"};
    if (friendlyName && !friendlyName->empty()) return {std::u16string(*friendlyName), "setupapi_friendly_name"};
    return {u"Unknown", "fallback"};
}

BluetoothPortEntry MakeBluetoothPortEntry(std::u16string_view portName, std::u16string_view deviceName,
                                          const BluetoothAddress& address) {
    BluetoothPortEntry entry{};
    CopyCut(entry.portName, portName);
    CopyCut(entry.deviceName, deviceName);
    CopyCut(entry.address, address.Digits());
    entry.addressState = address.state;
    return entry;
}

std::u16string BluetoothDeviceKey(std::u16string_view address) {
    if (address.size() != kBluetoothAddressDigits) return {};
    for (char16_t c : address)
        if (!IsHexDigit(c)) return {};
    std::u16string key(u"SYSTEM\\CurrentControlSet\\Services\\BTHPORT\\Parameters\\Devices\\");
    key += address;
    return key;
}

BluetoothNameValue DeviceNameFromValue(const std::uint8_t* data, std::size_t size, FromAnsiFn fromAnsi) {
    BluetoothNameValue result;
    std::string_view bytes;
    if (data) bytes = std::string_view(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = bytes.find('\0');
    if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
    std::u16string name = bytes.empty() ? std::u16string() : (fromAnsi ? fromAnsi : U16FromAsciiAnsi)(bytes);
    if (name.empty()) {
        result.reason = "name_conversion_failed";
        return result;
    }
    if (name.size() >= kBluetoothDeviceNameChars) {
        result.reason = "name_buffer_too_small";
        result.requiredChars = name.size() + 1;
        return result;
    }
    result.ok = true;
    result.name = std::move(name);
    return result;
}

std::u16string BluetoothRowText(std::u16string_view portName) {
    std::u16string text(u"BT Printer(");
    text += portName;
    text += u')';
    return text;
}

std::string FormatPairedDeviceAddress(const std::uint8_t (&rgBytes)[6]) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 5; i >= 0; --i) {
        text += kHex[rgBytes[i] >> 4];
        text += kHex[rgBytes[i] & 0x0F];
    }
    return text;
}

}  // namespace kelno
