#pragma once
// The calls of port discovery that tests must be able to answer where Wine cannot: the
// configuration manager's re-enumeration, the device-ID query of a USB printer (Wine needs a
// kernel driver behind a device path to answer it), the Bluetooth address property of a COM
// port interface (missing from Wine's SetupAPI), the system's Bluetooth device selection and
// pairing (Wine aborts the process on them) and the message box of a failed selection. Every
// entry defaults to the real call; a test replaces one with ScopedSeam (engine/seams.h).
#include <windows.h>
#include <setupapi.h>
#include <cfgmgr32.h>
#include <devpropdef.h>
#include <bluetoothapis.h>

#include <cstddef>
#include <cstdint>

namespace kelno {

// Opens the device path (no access rights, sharing read and write) and sends
// IOCTL_PAR_QUERY_DEVICE_ID with a zeroed output buffer of capacity bytes. True when the query
// succeeded; *returned is the number of answer bytes (at most capacity).
using QueryDeviceIdFn = bool (*)(const wchar_t* devicePath, std::uint8_t* answer, std::size_t capacity,
                                 std::size_t* returned);

// SetupDiGetDeviceInterfacePropertyW, which older systems and Wine do not export.
using GetDeviceInterfacePropertyFn = BOOL(WINAPI*)(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA deviceInterface,
                                                   const DEVPROPKEY* key, DEVPROPTYPE* type, PBYTE buffer,
                                                   DWORD bufferSize, PDWORD requiredSize, DWORD flags);

// The pairing calls of bthprops.cpl, loaded when first used.
using BluetoothSelectDevicesFn = BOOL(WINAPI*)(BLUETOOTH_SELECT_DEVICE_PARAMS* params);
using BluetoothSelectDevicesFreeFn = BOOL(WINAPI*)(BLUETOOTH_SELECT_DEVICE_PARAMS* params);
using BluetoothAuthenticateDeviceFn = DWORD(WINAPI*)(HWND parent, HANDLE radio, BLUETOOTH_DEVICE_INFO* device,
                                                     PWSTR passkey, ULONG passkeyLength);

struct DiscoverySeams {
    CONFIGRET(WINAPI* locateDevNode)(PDEVINST devInst, DEVINSTID_W deviceId, ULONG flags);
    CONFIGRET(WINAPI* reenumerateDevNode)(DEVINST devInst, ULONG flags);
    QueryDeviceIdFn queryDeviceId;
    // Null when the system has no such export.
    GetDeviceInterfacePropertyFn getDeviceInterfaceProperty;
    BluetoothSelectDevicesFn bluetoothSelectDevices;
    BluetoothSelectDevicesFreeFn bluetoothSelectDevicesFree;
    BluetoothAuthenticateDeviceFn bluetoothAuthenticateDevice;
    int(WINAPI* messageBox)(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
};

// The process-wide table, initialised with the real calls on first use.
DiscoverySeams& DiscoverySeamTable();

// The real device-ID query behind DiscoverySeams::queryDeviceId.
bool QueryDeviceIdFromDevice(const wchar_t* devicePath, std::uint8_t* answer, std::size_t capacity,
                             std::size_t* returned);

}  // namespace kelno
