#include "tests/support/simulated_devices.h"

#include <objbase.h>
#include <winspool.h>

#include <vector>

namespace kelno::test {

const GUID kUsbPrintInterfaceClass = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};
const GUID kComPortInterfaceClass = {0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};
const GUID kPortsSetupClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

namespace {

// Setup class of USB devices.
const GUID kUsbSetupClass = {0x36fc9e60, 0xc465, 0x11cf, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

const std::wstring kDeviceClassesKey = L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\";

class SetHolder {
public:
    explicit SetHolder(HDEVINFO set) : set_(set) {}
    ~SetHolder() {
        if (valid()) SetupDiDestroyDeviceInfoList(set_);
    }
    SetHolder(const SetHolder&) = delete;
    SetHolder& operator=(const SetHolder&) = delete;
    HDEVINFO get() const { return set_; }
    bool valid() const { return set_ != INVALID_HANDLE_VALUE; }

private:
    HDEVINFO set_;
};

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

bool WriteValue(HKEY key, const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    return RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes) == ERROR_SUCCESS;
}

bool WriteString(HKEY key, const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ) {
    return WriteValue(key, name, type, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// The key of an interface below DeviceClasses: "{class}\##?#<path less "\\?\">".
std::wstring InterfaceKey(const GUID& interfaceClass, const std::wstring& devicePath) {
    if (devicePath.size() <= 4) return {};
    return kDeviceClassesKey + GuidText(interfaceClass) + L"\\##?#" + devicePath.substr(4);
}

}  // namespace

SimulatedDevice::SimulatedDevice(std::wstring instanceId, const GUID& setupClass, const GUID& interfaceClass)
    : instanceId_(std::move(instanceId)), setupClass_(setupClass), interfaceClass_(interfaceClass) {}

SimulatedDevice::~SimulatedDevice() {
    if (!registered_) return;
    SetHolder set(SetupDiCreateDeviceInfoList(&setupClass_, nullptr));
    if (set.valid()) {
        SP_DEVINFO_DATA data{};
        data.cbSize = sizeof(data);
        if (SetupDiOpenDeviceInfoW(set.get(), instanceId_.c_str(), nullptr, 0, &data))
            SetupDiRemoveDevice(set.get(), &data);
    }
    // The interface goes with its device; its key is removed as well so that nothing of it
    // can be listed by a later test.
    const std::wstring key = InterfaceKey(interfaceClass_, devicePath_);
    if (!key.empty()) DeleteMachineTree(key);
}

void SimulatedDevice::Fail(const wchar_t* step, DWORD error) {
    if (failure_.empty()) failure_ = std::wstring(step) + L" failed with " + std::to_wstring(error);
}

std::wstring SimulatedDevice::InterfaceParametersKey() const {
    const std::wstring key = InterfaceKey(interfaceClass_, devicePath_);
    return key.empty() ? key : key + L"\\#\\Device Parameters";
}

bool SimulatedDevice::Create(HDEVINFO set, SP_DEVINFO_DATA& data) {
    data.cbSize = sizeof(data);
    if (!SetupDiCreateDeviceInfoW(set, instanceId_.c_str(), &setupClass_, nullptr, nullptr, 0, &data)) {
        Fail(L"SetupDiCreateDeviceInfoW", GetLastError());
        return false;
    }
    // Without registration Wine deletes the device again when the set is destroyed.
    if (!SetupDiRegisterDeviceInfo(set, &data, 0, nullptr, nullptr, nullptr)) {
        Fail(L"SetupDiRegisterDeviceInfo", GetLastError());
        return false;
    }
    registered_ = true;
    return true;
}

bool SimulatedDevice::CreateInterface(HDEVINFO set, SP_DEVINFO_DATA& data, SP_DEVICE_INTERFACE_DATA& deviceInterface) {
    deviceInterface.cbSize = sizeof(deviceInterface);
    if (!SetupDiCreateDeviceInterfaceW(set, &data, &interfaceClass_, nullptr, 0, &deviceInterface)) {
        Fail(L"SetupDiCreateDeviceInterfaceW", GetLastError());
        return false;
    }
    std::vector<DWORD> buffer(1024);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!SetupDiGetDeviceInterfaceDetailW(set, &deviceInterface, detail,
                                          static_cast<DWORD>(buffer.size() * sizeof(DWORD)), nullptr, nullptr)) {
        Fail(L"SetupDiGetDeviceInterfaceDetailW", GetLastError());
        return false;
    }
    devicePath_ = detail->DevicePath;
    // Wine lists an interface as present once "Linked" is 1 under its "#\Control" key.
    const DWORD linked = 1;
    if (!SetMachineValue(InterfaceKey(interfaceClass_, devicePath_) + L"\\#\\Control", L"Linked", REG_DWORD, &linked,
                         sizeof(linked))) {
        Fail(L"Linked", GetLastError());
        return false;
    }
    return true;
}

std::unique_ptr<SimulatedDevice> AddUsbPrinter(const UsbPrinterSetup& setup) {
    auto device = std::make_unique<SimulatedDevice>(setup.instanceId, kUsbSetupClass, kUsbPrintInterfaceClass);
    SetHolder set(SetupDiCreateDeviceInfoList(&kUsbSetupClass, nullptr));
    if (!set.valid()) {
        device->Fail(L"SetupDiCreateDeviceInfoList", GetLastError());
        return device;
    }
    SP_DEVINFO_DATA data{};
    SP_DEVICE_INTERFACE_DATA deviceInterface{};
    if (!device->Create(set.get(), data) || !device->CreateInterface(set.get(), data, deviceInterface)) return device;
    // The interface's registry key is its "Device Parameters" key.
    HKEY parameters =
        SetupDiCreateDeviceInterfaceRegKeyW(set.get(), &deviceInterface, 0, KEY_ALL_ACCESS, nullptr, nullptr);
    if (parameters == INVALID_HANDLE_VALUE) {
        device->Fail(L"SetupDiCreateDeviceInterfaceRegKeyW", GetLastError());
        return device;
    }
    bool written = true;
    if (setup.portDescription)
        written = written && WriteString(parameters, L"Port Description", *setup.portDescription);
    if (setup.portNumber)
        written = written && WriteValue(parameters, L"Port Number", REG_DWORD, &*setup.portNumber, sizeof(DWORD));
    if (setup.serialNumber) written = written && WriteString(parameters, L"Serial Number", *setup.serialNumber);
    RegCloseKey(parameters);
    if (!written) device->Fail(L"Device Parameters values", ERROR_WRITE_FAULT);
    return device;
}

std::unique_ptr<SimulatedDevice> AddComPort(const ComPortSetup& setup) {
    auto device = std::make_unique<SimulatedDevice>(setup.instanceId, kPortsSetupClass, kComPortInterfaceClass);
    SetHolder set(SetupDiCreateDeviceInfoList(&kPortsSetupClass, nullptr));
    if (!set.valid()) {
        device->Fail(L"SetupDiCreateDeviceInfoList", GetLastError());
        return device;
    }
    SP_DEVINFO_DATA data{};
    if (!device->Create(set.get(), data)) return device;
    if (setup.hardwareId) {
        std::wstring multi = *setup.hardwareId;
        multi.push_back(L'\0');
        multi.push_back(L'\0');
        if (!SetupDiSetDeviceRegistryPropertyW(set.get(), &data, SPDRP_HARDWAREID,
                                               reinterpret_cast<const BYTE*>(multi.data()),
                                               static_cast<DWORD>(multi.size() * sizeof(wchar_t)))) {
            device->Fail(L"SPDRP_HARDWAREID", GetLastError());
            return device;
        }
    }
    if (setup.friendlyName &&
        !SetupDiSetDeviceRegistryPropertyW(set.get(), &data, SPDRP_FRIENDLYNAME,
                                           reinterpret_cast<const BYTE*>(setup.friendlyName->c_str()),
                                           static_cast<DWORD>((setup.friendlyName->size() + 1) * sizeof(wchar_t)))) {
        device->Fail(L"SPDRP_FRIENDLYNAME", GetLastError());
        return device;
    }
    if (setup.portName) {
        HKEY key = SetupDiCreateDevRegKeyW(set.get(), &data, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
        if (key == INVALID_HANDLE_VALUE) {
            device->Fail(L"SetupDiCreateDevRegKeyW", GetLastError());
            return device;
        }
        const DWORD number = 5;
        const bool written = setup.portNameType == REG_DWORD
                                 ? WriteValue(key, L"PortName", REG_DWORD, &number, sizeof(number))
                                 : WriteString(key, L"PortName", *setup.portName, setup.portNameType);
        RegCloseKey(key);
        if (!written) {
            device->Fail(L"PortName", ERROR_WRITE_FAULT);
            return device;
        }
    }
    if (setup.withInterface) {
        SP_DEVICE_INTERFACE_DATA deviceInterface{};
        device->CreateInterface(set.get(), data, deviceInterface);
    }
    return device;
}

bool SetMachineValue(const std::wstring& keyPath, const std::wstring& name, DWORD type, const void* data, DWORD bytes) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool ok = WriteValue(key, name.c_str(), type, data, bytes);
    RegCloseKey(key);
    return ok;
}

bool SetMachineString(const std::wstring& keyPath, const std::wstring& name, const std::wstring& value) {
    return SetMachineValue(keyPath, name, REG_SZ, value.c_str(),
                           static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

bool DeleteMachineValue(const std::wstring& keyPath, const std::wstring& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return true;
    const LONG result = RegDeleteValueW(key, name.c_str());
    RegCloseKey(key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool DeleteMachineTree(const std::wstring& keyPath) {
    const LONG result = RegDeleteTreeW(HKEY_LOCAL_MACHINE, keyPath.c_str());
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return false;
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, keyPath.c_str());
    return true;
}

namespace {

// Sends one XcvData command with a port name to the local port monitor; the monitor's status.
DWORD LocalPortCommand(const wchar_t* command, const std::wstring& portName) {
    HANDLE monitor = nullptr;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    wchar_t name[] = L",XcvMonitor Local Port";
    if (!OpenPrinterW(name, &monitor, &defaults)) return GetLastError();
    DWORD needed = 0;
    DWORD status = ERROR_GEN_FAILURE;
    const BOOL reached =
        XcvDataW(monitor, command, reinterpret_cast<BYTE*>(const_cast<wchar_t*>(portName.c_str())),
                 static_cast<DWORD>((portName.size() + 1) * sizeof(wchar_t)), nullptr, 0, &needed, &status);
    ClosePrinter(monitor);
    return reached ? status : GetLastError();
}

}  // namespace

bool AddLocalPort(const std::wstring& portName) {
    const DWORD status = LocalPortCommand(L"AddPort", portName);
    return status == ERROR_SUCCESS || status == ERROR_ALREADY_EXISTS;
}

bool DeleteLocalPort(const std::wstring& portName) {
    const DWORD status = LocalPortCommand(L"DeletePort", portName);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

std::unique_ptr<SimulatedDevice> AddUsbPrinterOfModel(const std::wstring& serial, DWORD port,
                                                      const std::wstring& model) {
    UsbPrinterSetup setup;
    setup.instanceId = L"USB\\VID_2D37&PID_0001\\" + serial;
    setup.portNumber = port;
    setup.portDescription = model;
    setup.serialNumber = serial;
    return AddUsbPrinter(setup);
}

}  // namespace kelno::test
