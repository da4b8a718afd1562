#include "discovery/win/usb_scan.h"

#include <setupapi.h>
#include <cfgmgr32.h>

#include <optional>
#include <string>

#include "base/win/registry.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "common/win/seams.h"
#include "discovery/usb_port_fields.h"
#include "discovery/win/win_support.h"

namespace kelno {
namespace {

// Interface class of the USB printing class driver.
constexpr GUID kUsbPrintInterfaceClass = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

// "Port Description" and "Serial Number" are cut to 32 characters; longer values are read
// whole up to this sanity limit (a registry string rarely comes near it).
constexpr std::size_t kMaxDeviceTextChars = 16383;

// Opens the interface's "Device Parameters" key for reading, or returns an invalid key.
void OpenDeviceParameters(std::u16string_view devicePath, ScopedRegistryKey& key) {
    const std::u16string keyName = UsbDeviceParametersKey(devicePath);
    if (keyName.empty()) return;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WidePtr(keyName), 0, KEY_QUERY_VALUE, key.receive()) != ERROR_SUCCESS)
        key.reset();
}

// Calls visit(path, parametersKey) for each present interface of the USB printing class whose
// detail and "Device Parameters" key could be read, until visit returns false.
template <typename Visit>
void ForEachUsbPrintInterface(Visit visit) {
    ScopedDeviceInfoSet set(
        SetupDiGetClassDevsW(&kUsbPrintInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!set) return;
    SP_DEVICE_INTERFACE_DATA deviceInterface{};
    deviceInterface.cbSize = sizeof(deviceInterface);
    for (DWORD index = 0;
         SetupDiEnumDeviceInterfaces(set.get(), nullptr, &kUsbPrintInterfaceClass, index, &deviceInterface); ++index) {
        InterfaceDetail detail;
        if (detail.Read(set.get(), deviceInterface) != InterfaceDetail::Status::ok) continue;
        ScopedRegistryKey parameters;
        OpenDeviceParameters(detail.Path(), parameters);
        if (!parameters) continue;
        if (!visit(detail.Path(), parameters.get())) break;
    }
}

// Asks the configuration manager to re-enumerate the whole device tree; skipped when the root
// node cannot be located.
void ReenumerateDeviceTree() {
    PnpSeams& pnp = seams::Pnp();
    DEVINST root = 0;
    if (pnp.cmLocateDevNodeW(&root, nullptr, CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS) return;
    pnp.cmReenumerateDevNode(root, 0);
}

std::uint32_t ScanInto(PortList& devices, PortList* spoolerPorts) {
    FreeAll(devices);
    std::uint32_t added = 0;
    ForEachUsbPrintInterface([&](std::u16string_view path, HKEY parameters) {
        PortRecordPtr record = MakePortRecord();
        if (!record) return true;  // out of memory: skip this interface
        const std::optional<std::u16string> description =
            ReadRegistryString(parameters, L"Port Description", kMaxDeviceTextChars);
        const std::optional<std::u16string> serialNumber =
            ReadRegistryString(parameters, L"Serial Number", kMaxDeviceTextChars);
        UsbInterfaceValues values;
        values.devicePath = path;
        values.portDescription = description ? std::u16string_view(*description) : std::u16string_view();
        values.portNumber = ReadRegistryDword(parameters, L"Port Number");
        values.serialNumber = serialNumber ? std::u16string_view(*serialNumber) : std::u16string_view();
        FillUsbPortRecord(*record, values, &AnsiFromU16);
        AdoptUsbRecord(devices, spoolerPorts, std::move(record));
        ++added;
        return true;
    });
    return added;
}

}  // namespace

std::uint32_t ScanUsbPorts() {
    FreeAll(UsbDeviceList);
    ReenumerateDeviceTree();
    return ScanInto(UsbDeviceList, &SpoolerPortList);
}

std::uint32_t ScanUsbPorts(PortList& devices) { return ScanInto(devices, nullptr); }

bool FindUsbDevicePath(const wchar_t* portName, wchar_t (&devicePath)[kPortTextChars], UsbVendorScope scope) {
    devicePath[0] = L'\0';
    const std::u16string_view wanted = U16View(portName);
    if (wanted.empty()) return false;
    bool found = false;
    ForEachUsbPrintInterface([&](std::u16string_view path, HKEY parameters) {
        if (!UsbInterfaceServesPort(path, ReadRegistryDword(parameters, L"Port Number"), wanted,
                                    scope == UsbVendorScope::anyVendor))
            return true;
        char16_t stored[kPortTextChars];
        found = StoreDevicePath(stored, path);  // a path that does not fit whole is not stored
        for (std::size_t i = 0; i < kPortTextChars; ++i) devicePath[i] = static_cast<wchar_t>(stored[i]);
        return false;  // the first printer on this port decides
    });
    return found;
}

bool ResolveDeviceModelVariant(const wchar_t* portName, wchar_t (&modelText)[kModelVariantChars]) {
    wchar_t devicePath[kPortTextChars];
    if (!FindUsbDevicePath(portName, devicePath)) return false;
    std::uint8_t answer[kDeviceIdAnswerBytes] = {};
    std::size_t returned = 0;
    if (!seams::Pnp().queryDeviceId(devicePath, answer, sizeof(answer), &returned)) return false;
    if (returned > sizeof(answer)) returned = sizeof(answer);
    static_assert(sizeof(u"Quillon MX-362_") / sizeof(char16_t) <= kModelVariantChars);
    const std::u16string_view model = ModelVariantText(ParseDeviceId(answer, returned));
    for (std::size_t i = 0; i < model.size(); ++i) modelText[i] = static_cast<wchar_t>(model[i]);
    modelText[model.size()] = L'\0';
    return true;
}

}  // namespace kelno
