#include "discovery/win/BtPrinter.h"

#include <setupapi.h>
#include <strsafe.h>

#include <cstdio>
#include <iterator>
#include <optional>
#include <string>

#include "base/win/list_view.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "common/win/seams.h"
#include "discovery/registry_text.h"
#include "discovery/win/win_support.h"
#include "common/win/log.h"

namespace kelno {
namespace {

// Interface class of COM ports.
constexpr GUID kComPortInterfaceClass = {0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};
// DEVPKEY_Bluetooth_DeviceAddress.
constexpr DEVPROPKEY kBluetoothDeviceAddressKey = {
    {0x2bd67d8b, 0x8beb, 0x48d5, {0x87, 0xe0, 0x6c, 0xda, 0x34, 0x28, 0x04, 0x0a}}, 1};

constexpr DWORD kHardwareIdBytes = 2048;
constexpr DWORD kFriendlyNameBytes = 512;
constexpr DWORD kPortNameBytes = 64;
constexpr DWORD kAddressPropertyBytes = 128;
constexpr DWORD kSerialCommNameChars = 512;
constexpr DWORD kSerialCommDataBytes = 128;
constexpr DWORD kDeviceNameValueBytes = 256;

// An enumeration whose every index fails with something other than "no more items" would
// never end: it is given up after this many failures in a row.
constexpr std::uint32_t kMaxFailuresInARow = 64;

// Title of the message box of a failed device selection ("Bluetooth device selection error").
constexpr wchar_t kSelectionErrorTitle[] = L"\u84DD\u7259\u8BBE\u5907\u9009\u62E9\u9519\u8BEF";
// What the pairing writes to standard output before the chosen device's name ("Selected device: ").
constexpr wchar_t kSelectedDevicePrefix[] = L"\u5DF2\u9009\u62E9\u8BBE\u5907: ";

// The pairing's fixed passkey.
constexpr wchar_t kPairingPasskey[] = L"7351";

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// A device registry property as text (its first string), with the error of the read (0 when
// it was read).
struct PropertyText {
    std::u16string text;
    DWORD error = ERROR_SUCCESS;
    bool Read() const { return error == ERROR_SUCCESS; }
};

PropertyText ReadDeviceProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property, DWORD bufferBytes) {
    PropertyText result;
    std::u16string buffer(bufferBytes / sizeof(char16_t), u'\0');
    DWORD type = 0;
    DWORD required = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                           bufferBytes, &required)) {
        result.error = GetLastError();
        return result;
    }
    const DWORD bytes = required < bufferBytes ? required : bufferBytes;
    result.text = std::u16string(FirstMultiString(buffer.data(), bytes));
    return result;
}

// The device path markers as the fallback source of the address, with the reason logged when
// none is found.
BluetoothAddress AddressFromDevicePath(std::u16string_view path) {
    BluetoothAddress address = ExtractAddress(path);
    if (address.state != kAddressNone) return address;
    const std::string reason = address.reason;
    if (reason == "invalid_arguments")
        KELNO_LOG_INFO(
            "[Bluetooth][Address] result=unavailable source=device_path_markers reason=invalid_arguments path={} "
            "bufferSize={}",
            Utf8(path), kBluetoothAddressChars);
    else if (reason == "address_marker_not_found")
        KELNO_LOG_INFO(
            "[Bluetooth][Address] result=unavailable source=device_path_markers reason=address_marker_not_found "
            "supportedMarkers=0,1 path={}",
            Utf8(path));
    else
        KELNO_LOG_INFO("[Bluetooth][Address] result=unavailable source={} reason={} path={}", address.source, reason,
                       Utf8(path));
    return address;
}

// The address from the interface's address property, else from the device path.
BluetoothAddress ReadBluetoothAddress(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& deviceInterface, std::u16string_view path,
                                      std::u16string_view port) {
    BluetoothAddress address;
    DWORD error = ERROR_PROC_NOT_FOUND;
    if (GetDeviceInterfacePropertyFn getProperty = seams::Pnp().getDeviceInterfaceProperty) {
        char16_t buffer[kAddressPropertyBytes / sizeof(char16_t)] = {};
        DEVPROPTYPE type = 0;
        DWORD required = 0;
        if (!getProperty(set, &deviceInterface, &kBluetoothDeviceAddressKey, &type, reinterpret_cast<BYTE*>(buffer),
                         sizeof(buffer), &required, 0)) {
            error = GetLastError();
        } else if (type != DEVPROP_TYPE_STRING) {
            error = ERROR_INVALID_DATA;
        } else {
            const DWORD bytes = required < sizeof(buffer) ? required : sizeof(buffer);
            address = ParseAddressProperty(RegistryStringText(buffer, bytes));
            error = address.state == kAddressNone ? ERROR_INVALID_DATA : ERROR_SUCCESS;
        }
    }
    if (address.state == kAddressNone) {
        KELNO_LOG_INFO("[Bluetooth][Address] result=unavailable source=interface_property port={} error={} "
                       "fallback=device_path_markers",
                       Utf8(port), error);
        address = AddressFromDevicePath(path);
    }
    if (address.state != kAddressNone)
        KELNO_LOG_INFO("[Bluetooth][Address] result=found source={} port={} address={} state={}", address.source,
                       Utf8(port), Utf8(address.Digits()), AddressStateWord(address.state));
    return address;
}

// Counters of the enumeration summary.
struct EnumerationCounts {
    std::uint32_t interfaces = 0;
    std::uint32_t candidates = 0;
};

// Works out one COM port interface; returns the entry when the port is eligible.
std::optional<BluetoothPortEntry> ExamineComInterface(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& deviceInterface,
                                                      DWORD index, ComPortNameSet& seenPorts,
                                                      EnumerationCounts& counts) {
    SP_DEVINFO_DATA device{};
    InterfaceDetail detail;
    switch (detail.Read(set, deviceInterface, &device)) {
        case InterfaceDetail::Status::ok: break;
        case InterfaceDetail::Status::sizeQueryFailed:
            KELNO_LOG_INFO(
                "[Bluetooth][SetupAPI] decision=drop reason=interface_detail_size_query_failed index={} error={}",
                index, detail.Error());
            return std::nullopt;
        case InterfaceDetail::Status::sizeInvalid:
            KELNO_LOG_INFO("[Bluetooth][SetupAPI] decision=drop reason=interface_detail_size_invalid index={} size={}",
                           index, detail.RequiredSize());
            return std::nullopt;
        case InterfaceDetail::Status::allocationFailed:
            KELNO_LOG_INFO(
                "[Bluetooth][SetupAPI] decision=drop reason=interface_detail_allocation_failed index={} size={}", index,
                detail.RequiredSize());
            return std::nullopt;
        case InterfaceDetail::Status::readFailed:
            KELNO_LOG_INFO("[Bluetooth][SetupAPI] decision=drop reason=interface_detail_read_failed index={} error={}",
                           index, detail.Error());
            return std::nullopt;
    }
    const std::string path = Utf8(detail.Path());

    const PropertyText hardwareId = ReadDeviceProperty(set, device, SPDRP_HARDWAREID, kHardwareIdBytes);
    const PropertyText friendlyName = ReadDeviceProperty(set, device, SPDRP_FRIENDLYNAME, kFriendlyNameBytes);
    const BluetoothEvidence evidence = FindBluetoothEvidence(hardwareId.text, detail.Path());

    ScopedRegistryKey key(SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ));
    if (!key) {
        KELNO_LOG_INFO(
            "[Bluetooth][SetupAPI] decision=drop reason=device_registry_open_failed index={} bluetoothHardwareId={} "
            "bluetoothPathHint={} path={} hardwareId={} hardwareIdError={} friendlyName={} friendlyNameError={} "
            "error={}",
            index, evidence.hardwareId, evidence.pathHint, path, Utf8(hardwareId.text), hardwareId.error,
            Utf8(friendlyName.text), friendlyName.error, GetLastError());
        return std::nullopt;
    }
    char16_t portBuffer[kPortNameBytes / sizeof(char16_t)] = {};
    DWORD portType = 0;
    DWORD portBytes = sizeof(portBuffer);
    const LONG portResult =
        RegQueryValueExW(key.get(), L"PortName", nullptr, &portType, reinterpret_cast<BYTE*>(portBuffer), &portBytes);
    if (portResult != ERROR_SUCCESS) {
        KELNO_LOG_INFO(
            "[Bluetooth][SetupAPI] decision=drop reason=port_name_read_failed index={} bluetoothHardwareId={} "
            "bluetoothPathHint={} path={} error={}",
            index, evidence.hardwareId, evidence.pathHint, path, portResult);
        return std::nullopt;
    }
    if (!IsStringType(portType)) {
        KELNO_LOG_INFO("[Bluetooth][SetupAPI] decision=drop reason=port_name_type_unsupported index={} type={} path={}",
                       index, portType, path);
        return std::nullopt;
    }
    const std::u16string portName = BluetoothPortName(RegistryStringText(portBuffer, portBytes));
    const std::string port = Utf8(portName);
    seenPorts.Add(portName);
    KELNO_LOG_INFO(
        "[Bluetooth][SetupAPI] decision=interface_seen index={} port={} bluetoothHardwareId={} bluetoothPathHint={} "
        "path={} hardwareId={} hardwareIdError={} friendlyName={} friendlyNameError={}",
        index, port, evidence.hardwareId, evidence.pathHint, path, Utf8(hardwareId.text), hardwareId.error,
        Utf8(friendlyName.text), friendlyName.error);

    if (!evidence.Any()) {
        KELNO_LOG_INFO(
            "[Bluetooth][Filter] decision=drop stage=bluetooth_match reason=no_bthenum_evidence port={} path={} "
            "hardwareId={}",
            port, path, Utf8(hardwareId.text));
        return std::nullopt;
    }
    ++counts.candidates;
    if (portName.empty()) {
        KELNO_LOG_INFO("[Bluetooth][Filter] decision=drop stage=port_name reason=port_name_empty path={}", path);
        return std::nullopt;
    }
    if (!StartsWithCom(portName))
        KELNO_LOG_INFO(
            "[Bluetooth][Filter] decision=continue stage=port_name reason=unexpected_non_com_name port={} path={}",
            port, path);

    const BluetoothAddress address = ReadBluetoothAddress(set, deviceInterface, detail.Path(), portName);
    const std::string addressText = Utf8(address.Digits());
    const char* addressSource = address.state == kAddressNone ? kSourceUnavailable : address.source;

    std::optional<std::u16string> remoteName;
    if (address.state == kAddressNonZero) {
        const std::u16string digits(address.Digits());
        wchar_t name[kBluetoothDeviceNameChars] = {};
        if (GetDeviceNameByAddress(WidePtr(digits), name, std::size(name)))
            remoteName = std::u16string(U16View(name, std::size(name)));
    }
    std::optional<std::u16string_view> friendly;
    if (friendlyName.Read()) friendly = friendlyName.text;
    const BluetoothDeviceName chosen = ChooseBluetoothDeviceName(
        address.state, remoteName ? std::optional<std::u16string_view>(*remoteName) : std::nullopt, friendly);
    const std::string name = Utf8(chosen.name);
    if (std::string(chosen.source) == "setupapi_friendly_name")
        KELNO_LOG_INFO("[Bluetooth][DeviceName] result=found source=setupapi_friendly_name port={} name={}", port,
                       name);
    else if (std::string(chosen.source) == "fallback")
        KELNO_LOG_INFO(
            "[Bluetooth][DeviceName] decision=fallback reason=name_unavailable port={} address={} fallback=Unknown",
            port, addressText);

    const BluetoothDirection direction = DecideBluetoothDirection(address.state);
    if (!direction.eligible) {
        KELNO_LOG_INFO("[Bluetooth][Filter] decision=drop stage=direction reason={} direction={} port={} address={} "
                       "addressSource={} name={}",
                       direction.reason, direction.direction, port, addressText, addressSource, name);
        return std::nullopt;
    }
    if (address.state == kAddressNone)
        KELNO_LOG_INFO(
            "[Bluetooth][Filter] decision=eligible stage=direction reason={} direction={} port={} path={} name={}",
            direction.reason, direction.direction, port, path, name);
    KELNO_LOG_INFO("[Bluetooth][Filter] decision=eligible port={} address={} addressSource={} direction={} name={}",
                   port, addressText, addressSource, direction.direction, name);
    return MakeBluetoothPortEntry(portName, chosen.name, address);
}

}  // namespace

ComPortNameSet LogRegisteredSerialComPorts() {
    ComPortNameSet ports;
    ScopedRegistryKey key;
    const LONG opened =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, key.receive());
    if (opened != ERROR_SUCCESS) {
        key.reset();
        KELNO_LOG_INFO("[Bluetooth][OS_COM] decision=unavailable reason=serialcomm_registry_open_failed error={}",
                       opened);
        return ports;
    }
    std::uint32_t failuresInARow = 0;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[kSerialCommNameChars + 1] = {};
        DWORD nameChars = static_cast<DWORD>(std::size(valueName));
        char16_t data[kSerialCommDataBytes / sizeof(char16_t)] = {};
        DWORD dataBytes = sizeof(data);
        DWORD type = 0;
        const LONG result = RegEnumValueW(key.get(), index, valueName, &nameChars, nullptr, &type,
                                          reinterpret_cast<BYTE*>(data), &dataBytes);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) {
            KELNO_LOG_INFO("[Bluetooth][OS_COM] decision=drop reason=serialcomm_value_read_failed index={} error={}",
                           index, result);
            if (++failuresInARow >= kMaxFailuresInARow) break;
            continue;
        }
        failuresInARow = 0;
        const std::string device = Utf8(U16View(valueName, std::size(valueName)));
        if (!IsStringType(type)) {
            KELNO_LOG_INFO(
                "[Bluetooth][OS_COM] decision=drop reason=serialcomm_value_type_unsupported index={} type={} device={}",
                index, type, device);
            continue;
        }
        const std::u16string port = NormaliseComPortName(RegistryStringText(data, dataBytes));
        if (port.empty()) {
            KELNO_LOG_INFO("[Bluetooth][OS_COM] decision=drop reason=serialcomm_port_name_empty index={} device={}",
                           index, device);
            continue;
        }
        ports.Add(port);
        KELNO_LOG_INFO("[Bluetooth][OS_COM] decision=present port={} device={} type={}", Utf8(port), device, type);
    }
    return ports;
}

bool GetDeviceNameByAddress(const wchar_t* address, wchar_t* name, std::size_t nameChars) {
    const std::u16string_view digits = U16View(address, kBluetoothAddressChars);
    if (digits.empty() || !name || nameChars == 0) {
        KELNO_LOG_INFO("[Bluetooth][DeviceName] decision=unavailable reason=invalid_arguments address={} bufferSize={}",
                       Utf8(digits), name ? nameChars : 0);
        return false;
    }
    name[0] = L'\0';
    // Only twelve hexadecimal digits name a device key: anything else could reach another key.
    const std::u16string keyName = BluetoothDeviceKey(digits);
    if (keyName.empty()) {
        KELNO_LOG_INFO("[Bluetooth][DeviceName] decision=unavailable reason=invalid_arguments address={} bufferSize={}",
                       Utf8(digits), nameChars);
        return false;
    }
    ScopedRegistryKey key;
    const LONG opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, WidePtr(keyName), 0, KEY_READ, key.receive());
    if (opened != ERROR_SUCCESS) {
        key.reset();
        KELNO_LOG_INFO(
            "[Bluetooth][DeviceName] decision=unavailable reason=device_registry_open_failed address={} error={}",
            Utf8(digits), opened);
        return false;
    }
    char16_t data[kDeviceNameValueBytes / sizeof(char16_t)] = {};
    DWORD bytes = sizeof(data);
    DWORD type = 0;
    const LONG read = RegQueryValueExW(key.get(), L"Name", nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes);
    if (read != ERROR_SUCCESS) {
        KELNO_LOG_INFO("[Bluetooth][DeviceName] decision=unavailable reason=name_value_read_failed address={} error={}",
                       Utf8(digits), read);
        return false;
    }
    BluetoothNameValue value;
    if (type == REG_BINARY) {
        // The Bluetooth stack stores the remote name as bytes in the ANSI code page.
        value = DeviceNameFromValue(reinterpret_cast<const std::uint8_t*>(data), bytes, &U16FromAnsi);
    } else if (type == REG_SZ) {
        // Text stored as a string is already UTF-16; converting its bytes again would keep only
        // its first character.
        const std::u16string_view text = RegistryStringText(data, bytes);
        if (text.empty()) {
            value.reason = "name_conversion_failed";
        } else {
            value.ok = true;
            value.name = std::u16string(text);
        }
    } else {
        KELNO_LOG_INFO(
            "[Bluetooth][DeviceName] decision=unavailable reason=name_value_type_unsupported address={} type={}",
            Utf8(digits), type);
        return false;
    }
    if (value.ok && value.name.size() >= nameChars) {
        value.ok = false;
        value.reason = "name_buffer_too_small";
        value.requiredChars = value.name.size() + 1;
    }
    if (!value.ok) {
        if (std::string(value.reason) == "name_buffer_too_small")
            KELNO_LOG_INFO(
                "[Bluetooth][DeviceName] decision=unavailable reason=name_buffer_too_small address={} requiredChars={} "
                "bufferChars={}",
                Utf8(digits), value.requiredChars, nameChars);
        else
            KELNO_LOG_INFO(
                "[Bluetooth][DeviceName] decision=unavailable reason=name_conversion_failed address={} sourceBytes={} "
                "error={}",
                Utf8(digits), bytes, GetLastError());
        return false;
    }
    for (std::size_t i = 0; i < value.name.size(); ++i) name[i] = static_cast<wchar_t>(value.name[i]);
    name[value.name.size()] = L'\0';
    return true;
}

std::vector<BluetoothPortEntry> EnumerateBluetoothCOMPorts() {
    std::vector<BluetoothPortEntry> entries;
    const ComPortNameSet registered = LogRegisteredSerialComPorts();
    ScopedDeviceInfoSet set(
        SetupDiGetClassDevsW(&kComPortInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!set) {
        KELNO_LOG_ERROR("[Bluetooth][SetupAPI] decision=abort reason=get_class_devices_failed error={}",
                        GetLastError());
        return entries;
    }

    ComPortNameSet seenPorts;
    EnumerationCounts counts;
    std::uint32_t failuresInARow = 0;
    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA deviceInterface{};
        deviceInterface.cbSize = sizeof(deviceInterface);
        if (!SetupDiEnumDeviceInterfaces(set.get(), nullptr, &kComPortInterfaceClass, index, &deviceInterface)) {
            const DWORD error = GetLastError();
            if (error == ERROR_NO_MORE_ITEMS) break;
            KELNO_LOG_INFO("[Bluetooth][SetupAPI] decision=drop reason=interface_enumeration_failed index={} error={}",
                           index, error);
            if (++failuresInARow >= kMaxFailuresInARow) break;
            continue;
        }
        failuresInARow = 0;
        ++counts.interfaces;
        if (std::optional<BluetoothPortEntry> entry =
                ExamineComInterface(set.get(), deviceInterface, index, seenPorts, counts))
            entries.push_back(*entry);
    }
    set.reset();

    for (const std::u16string& port : PortsMissingFromInterfaces(registered, seenPorts))
        KELNO_LOG_INFO("[Bluetooth][Compare] decision=not_displayable reason=os_com_missing_from_setupapi port={}",
                       Utf8(port));
    KELNO_LOG_INFO(
        "[Bluetooth][Summary] stage=enumeration registeredComPorts={} setupApiInterfaces={} setupApiPorts={} "
        "bluetoothCandidates={} eligiblePorts={}",
        registered.Size(), counts.interfaces, seenPorts.Size(), counts.candidates, entries.size());
    return entries;
}

void ListBluetoothPrinters(HWND listView) {
    if (!IsWindow(listView)) {
        KELNO_LOG_INFO("[Bluetooth][UI] decision=abort reason=listview_handle_invalid handle={}",
                       static_cast<const void*>(listView));
        return;
    }
    const std::vector<BluetoothPortEntry> entries = EnumerateBluetoothCOMPorts();
    const int rowsBefore = RowCount(listView);
    const bool cleared = DeleteAllRows(listView);
    KELNO_LOG_INFO("[Bluetooth][UI] refresh_started eligiblePortCount={} rowsBeforeClear={} clearResult={}",
                   entries.size(), rowsBefore, cleared);
    KELNO_LOG_INFO("[Bluetooth][UI] modelPolicy=passthrough");

    std::uint32_t displayed = 0;
    std::uint32_t insertFailures = 0;
    int firstShown = -1;
    for (const BluetoothPortEntry& entry : entries) {
        const std::u16string_view port = FieldText(entry.portName);
        const std::u16string_view address = FieldText(entry.address);
        const std::u16string_view deviceName = FieldText(entry.deviceName);

        // The device name is passed through as the row's model text.
        wchar_t model[kBluetoothDeviceNameChars];
        const HRESULT copied = StringCchCopyNW(model, std::size(model), WidePtr(deviceName.data()), deviceName.size());
        if (FAILED(copied)) {
            KELNO_LOG_INFO(
                "[Bluetooth][UI] decision=drop reason=model_name_copy_failed port={} address={} name={} error={}",
                Utf8(port), Utf8(address), Utf8(deviceName), static_cast<long>(copied));
            continue;
        }
        wchar_t portText[kBluetoothPortNameChars];
        wchar_t rowText[64];
        if (FAILED(StringCchCopyNW(portText, std::size(portText), WidePtr(port.data()), port.size())) ||
            FAILED(StringCchPrintfW(rowText, std::size(rowText), L"BT Printer(%ws)", portText))) {
            KELNO_LOG_INFO("[Bluetooth][UI] decision=drop reason=display_text_format_failed port={} model={}",
                           Utf8(port), Utf8(model));
            continue;
        }
        const int requestedRow = RowCount(listView);
        const int row = AppendRow(listView, {rowText, model, portText});
        if (row < 0) {
            ++insertFailures;
            KELNO_LOG_INFO(
                "[Bluetooth][UI] decision=drop reason=listview_insert_failed requestedRow={} port={} model={}",
                requestedRow, Utf8(port), Utf8(model));
            continue;
        }
        if (firstShown < 0) firstShown = row;
        ++displayed;
        KELNO_LOG_INFO("[Bluetooth][UI] decision=displayed row={} port={} address={} model={}", row, Utf8(port),
                       Utf8(address), Utf8(model));
    }

    if (AppendRow(listView, {WideString(kAddBluetoothPrinterRow).c_str()}) < 0)
        KELNO_LOG_ERROR("[Bluetooth][UI] decision=drop reason=add_bluetooth_row_insert_failed");

    if (firstShown >= 0) SelectRow(listView, firstShown);

    KELNO_LOG_INFO(
        "[Bluetooth][Summary] stage=ui eligiblePorts={} displayedPorts={} filteredPorts={} insertFailures={} "
        "finalRows={}",
        entries.size(), displayed, entries.size() - displayed, insertFailures, RowCount(listView));
}

bool ShowBluetoothPairDialog(HWND parent) {
    UiSeams& ui = seams::Ui();
    BLUETOOTH_SELECT_DEVICE_PARAMS params{};
    params.dwSize = sizeof(params);
    params.hwndParent = parent;
    params.fForceAuthentication = TRUE;
    params.fShowAuthenticated = TRUE;
    params.fShowRemembered = TRUE;
    params.fShowUnknown = TRUE;
    params.fAddNewDeviceWizard = TRUE;

    if (!ui.bluetoothSelectDevices(&params)) {
        const DWORD error = GetLastError();
        KELNO_LOG_INFO("[Bluetooth][Pair] decision=dialog_completed result=false reason=no_selection_or_error error={}",
                       error);
        if (params.pDevices) ui.bluetoothSelectDevicesFree(&params);
        if (error != ERROR_CANCELLED) {
            wchar_t text[512] = {};
            const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                                error, 0, text, static_cast<DWORD>(std::size(text)), nullptr);
            if (length == 0) StringCchPrintfW(text, std::size(text), L"%lu", error);
            ui.messageBoxW(parent, text, kSelectionErrorTitle, MB_OK | MB_ICONERROR);
        }
        return false;
    }
    if (params.cNumDevices == 0 || !params.pDevices) {
        KELNO_LOG_INFO("[Bluetooth][Pair] decision=dialog_completed result=false reason=no_selected_devices");
        ui.bluetoothSelectDevicesFree(&params);
        return false;
    }

    BLUETOOTH_DEVICE_INFO& device = params.pDevices[0];
    const std::string name = Utf8(U16View(device.szName, std::size(device.szName)));
    KELNO_LOG_INFO(
        "[Bluetooth][Pair] decision=device_selected name={} address={} authenticated={} remembered={} connected={}",
        name, FormatPairedDeviceAddress(device.Address.rgBytes), device.fAuthenticated != FALSE,
        device.fRemembered != FALSE, device.fConnected != FALSE);
    DWORD authentication = ERROR_SUCCESS;
    if (!device.fAuthenticated) {
        wchar_t passkey[std::size(kPairingPasskey)];
        StringCchCopyW(passkey, std::size(passkey), kPairingPasskey);
        // The length counts the passkey's characters, not its terminator: a terminator sent
        // as a fifth digit would never match the printer's passkey.
        authentication = ui.bluetoothAuthenticateDevice(parent, nullptr, &device, passkey,
                                                        static_cast<ULONG>(std::size(passkey) - 1));
        if (authentication != ERROR_SUCCESS)
            KELNO_LOG_INFO("[Bluetooth][Pair] decision=authentication_failed error={} note=com_port_may_not_be_created",
                           authentication);
    }
    const std::string selected = Utf8(kSelectedDevicePrefix) + name + "\n";
    std::fputs(selected.c_str(), stdout);
    std::fflush(stdout);
    KELNO_LOG_INFO("[Bluetooth][Pair] decision=dialog_completed result=true authenticationResult={} "
                   "note=spp_com_port_creation_is_asynchronous_and_not_guaranteed",
                   authentication);
    ui.bluetoothSelectDevicesFree(&params);
    return true;
}

}  // namespace kelno
