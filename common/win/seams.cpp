#include "common/win/seams.h"

#include <winioctl.h>
#include <ntddpar.h>
#include <strsafe.h>

#include <iterator>

#include "base/win/scoped.h"

namespace kelno {
namespace {

constexpr DWORD kQueryDeviceIdIoctl = 0x16000C;
static_assert(IOCTL_PAR_QUERY_DEVICE_ID == kQueryDeviceIdIoctl, "IOCTL_PAR_QUERY_DEVICE_ID");

// bthprops.cpl from the system directory, never from the program's folder or the search path.
HMODULE LoadBluetoothModule() {
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    if (FAILED(StringCchCatW(path, std::size(path), L"\\bthprops.cpl"))) return nullptr;
    return LoadLibraryW(path);
}

HMODULE BluetoothModule() {
    static const HMODULE module = LoadBluetoothModule();
    return module;
}

template <typename Fn>
Fn BluetoothProc(const char* name) {
    HMODULE module = BluetoothModule();
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// The pairing calls resolve their export when first called; a system without it fails the call
// with ERROR_PROC_NOT_FOUND (bthprops.cpl is missing, for example, on server editions).
BOOL WINAPI SelectDevicesLazily(BLUETOOTH_SELECT_DEVICE_PARAMS* params) {
    static const auto fn = BluetoothProc<BluetoothSelectDevicesFn>("BluetoothSelectDevices");
    if (!fn) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return FALSE;
    }
    return fn(params);
}

BOOL WINAPI SelectDevicesFreeLazily(BLUETOOTH_SELECT_DEVICE_PARAMS* params) {
    static const auto fn = BluetoothProc<BluetoothSelectDevicesFreeFn>("BluetoothSelectDevicesFree");
    return fn ? fn(params) : FALSE;
}

DWORD WINAPI AuthenticateDeviceLazily(HWND parent, HANDLE radio, BLUETOOTH_DEVICE_INFO* device, PWSTR passkey,
                                      ULONG passkeyLength) {
    static const auto fn = BluetoothProc<BluetoothAuthenticateDeviceFn>("BluetoothAuthenticateDevice");
    return fn ? fn(parent, radio, device, passkey, passkeyLength) : ERROR_PROC_NOT_FOUND;
}

GetDeviceInterfacePropertyFn ResolveInterfacePropertyCall() {
    HMODULE setupapi = GetModuleHandleW(L"setupapi.dll");
    if (!setupapi) return nullptr;
    return reinterpret_cast<GetDeviceInterfacePropertyFn>(
        reinterpret_cast<void*>(GetProcAddress(setupapi, "SetupDiGetDeviceInterfacePropertyW")));
}

}  // namespace

bool QueryDeviceIdFromDevice(const wchar_t* devicePath, std::uint8_t* answer, std::size_t capacity,
                             std::size_t* returned) {
    if (returned) *returned = 0;
    if (!devicePath || !answer || capacity == 0 || capacity > MAXDWORD) return false;
    ScopedFile device(
        CreateFileW(devicePath, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!device) return false;
    ZeroMemory(answer, capacity);
    DWORD bytes = 0;
    if (!DeviceIoControl(device.get(), kQueryDeviceIdIoctl, nullptr, 0, answer, static_cast<DWORD>(capacity), &bytes,
                         nullptr))
        return false;
    if (returned) *returned = bytes < capacity ? bytes : capacity;
    return true;
}

namespace seams {

SpoolerSeams& Spooler() {
    static SpoolerSeams table;
    return table;
}

PnpSeams& Pnp() {
    static PnpSeams table{.queryDeviceId = &QueryDeviceIdFromDevice,
                          .getDeviceInterfaceProperty = ResolveInterfacePropertyCall()};
    return table;
}

UiSeams& Ui() {
    static UiSeams table{.bluetoothSelectDevices = &SelectDevicesLazily,
                         .bluetoothSelectDevicesFree = &SelectDevicesFreeLazily,
                         .bluetoothAuthenticateDevice = &AuthenticateDeviceLazily};
    return table;
}

TimeSeams& Time() {
    static TimeSeams table;
    return table;
}

SystemSeams& System() {
    static SystemSeams table;
    return table;
}

}  // namespace seams
}  // namespace kelno
