// Spooler port names and descriptions, registry strings and USB device paths: classification
// always yields one of the five types, and every record field stays terminated in its buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "discovery/port_classification.h"
#include "discovery/registry_text.h"
#include "discovery/usb_port_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const bool bluetooth = data[0] & 1;
    const std::uint32_t portNumber = data[0];
    ++data;
    --size;

    // Registry data as it comes, possibly unterminated and of odd size.
    std::u16string raw(size / 2 + 1, u'\0');
    if (size / 2) std::memcpy(raw.data(), data, (size / 2) * 2);
    const std::u16string_view whole = kelno::RegistryStringText(raw.data(), size);
    if (whole.size() > size / 2) std::abort();
    (void)kelno::FirstMultiString(raw.data(), size);

    // Name and description: the two halves of the input.
    const std::u16string_view all(raw.data(), size / 2);
    const std::u16string_view name = all.substr(0, all.size() / 2);
    const std::u16string_view description = all.substr(all.size() / 2);

    const std::uint16_t type = kelno::ClassifySpoolerPort(name, description, bluetooth);
    if (type != 1 && type != 2 && type != 3 && type != 5 && type != 7) std::abort();
    (void)kelno::SameComPortName(name, description);
    (void)kelno::IsBluetoothPortsHardwareId(description);

    kelno::PortRecordPtr record = kelno::MakePortRecord();
    if (kelno::FillSpoolerPortRecord(*record, name, description, type) && kelno::FieldText(record->portName) != name)
        std::abort();

    kelno::PortRecordPtr usb = kelno::MakePortRecord();
    kelno::FillUsbPortRecord(*usb, {name, description, portNumber, description});
    if (kelno::FieldText(usb->description).size() > kelno::kUsbDeviceTextLimit ||
        kelno::FieldText(usb->serialNumber).size() > kelno::kUsbDeviceTextLimit ||
        kelno::FieldText(usb->hardwareIdChecksum).size() != 4 || usb->portType != kelno::kPortTypeUsb)
        std::abort();

    const std::u16string key = kelno::UsbDeviceParametersKey(name);
    if (!key.empty() && key.size() != name.size() - 4 + 110) std::abort();
    (void)kelno::UsbInterfaceServesPort(name, portNumber, description);
    char16_t path[kelno::kPortTextChars];
    const bool stored = kelno::StoreDevicePath(path, name);
    if (stored ? kelno::FieldText(path) != name : !kelno::FieldText(path).empty()) std::abort();
    return 0;
}
