// Device paths, address property texts, port names and device-name values of Bluetooth COM
// ports: every rule stays within its buffers, and an address is only ever 12 hex digits.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "discovery/bluetooth_address.h"

namespace {

void CheckAddress(const kelno::BluetoothAddress& a) {
    if (a.state < kelno::kAddressNone || a.state > kelno::kAddressNonZero) std::abort();
    const auto digits = a.Digits();
    if ((a.state == kelno::kAddressNone) != digits.empty()) std::abort();
    if (a.state != kelno::kAddressNone) {
        if (digits.size() != kelno::kBluetoothAddressDigits) std::abort();
        if ((a.state == kelno::kAddressZero) != (digits == u"000000000000")) std::abort();
        if (kelno::BluetoothDeviceKey(digits).empty()) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    if (!text.empty()) std::memcpy(text.data(), data, text.size() * 2);

    CheckAddress(kelno::ParseAddressProperty(text));
    const kelno::BluetoothAddress fromPath = kelno::ExtractAddress(text);
    CheckAddress(fromPath);
    (void)kelno::FindBluetoothEvidence(text, text);

    const std::u16string portName = kelno::BluetoothPortName(text);
    if (portName.size() >= kelno::kBluetoothPortNameChars) std::abort();
    kelno::ComPortNameSet set;
    set.Add(text);
    if (!kelno::NormaliseComPortName(text).empty() && !set.Contains(text)) std::abort();

    const auto name = kelno::ChooseBluetoothDeviceName(fromPath.state, text, text);
    const kelno::BluetoothPortEntry entry = kelno::MakeBluetoothPortEntry(portName, name.name, fromPath);
    if (entry.deviceName[kelno::kBluetoothDeviceNameChars - 1] != u'\0') std::abort();

    const auto value = kelno::DeviceNameFromValue(data, size);
    if (value.ok && (value.name.empty() || value.name.size() >= kelno::kBluetoothDeviceNameChars)) std::abort();
    return 0;
}
