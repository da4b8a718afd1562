#pragma once
// The places where the programs ask the system for something Wine cannot produce, one small
// table per concern. Every entry defaults to the real call; a test replaces one for its own
// lifetime with ScopedSeam (base/win/scoped_seam.h). An entry belongs here only when no system
// seam can give the behaviour a test needs; each says why it is here.
#include <windows.h>
#include <winspool.h>
#include <setupapi.h>
#include <cfgmgr32.h>
#include <devpropdef.h>
#include <newdev.h>
#include <bluetoothapis.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "base/win/scoped_seam.h"

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

// The spooler.
struct SpoolerSeams {
    // Wine's spooler accepts what Windows refuses (unknown ports, a second queue of one name,
    // a driver whose files are missing) and never fails these calls: the tests cause the
    // failures the install must survive.
    decltype(&::AddMonitorW) addMonitorW = &::AddMonitorW;
    decltype(&::AddPrinterDriverW) addPrinterDriverW = &::AddPrinterDriverW;
    decltype(&::AddPrinterW) addPrinterW = &::AddPrinterW;
    decltype(&::EnumPrinterDriversW) enumPrinterDriversW = &::EnumPrinterDriversW;
    // E_NOTIMPL under Wine: the upload that succeeds is played by a test.
    decltype(&::UploadPrinterDriverPackageW) uploadPrinterDriverPackageW = &::UploadPrinterDriverPackageW;
    // Wine reports no jobs on a queue and refuses the purge.
    decltype(&::GetPrinterW) getPrinterW = &::GetPrinterW;
    decltype(&::SetPrinterW) setPrinterW = &::SetPrinterW;
};

// Plug and Play and driver packages.
struct PnpSeams {
    // Wine has no device to re-enumerate or to update the driver of.
    decltype(&::CM_Locate_DevNodeW) cmLocateDevNodeW = &::CM_Locate_DevNodeW;
    decltype(&::CM_Reenumerate_DevNode) cmReenumerateDevNode = &::CM_Reenumerate_DevNode;
    decltype(&::UpdateDriverForPlugAndPlayDevicesW) updateDriverForPlugAndPlayDevicesW =
        &::UpdateDriverForPlugAndPlayDevicesW;
    // Wine reports success without deleting anything.
    decltype(&::SetupUninstallOEMInfW) setupUninstallOemInfW = &::SetupUninstallOEMInfW;
    // Answering needs a kernel driver behind the device path.
    QueryDeviceIdFn queryDeviceId;
    // Not exported by Wine; null where the system lacks it.
    GetDeviceInterfacePropertyFn getDeviceInterfaceProperty;
};

// What a person answers or sees.
struct UiSeams {
    // The answers of unattended tests.
    decltype(&::MessageBoxW) messageBoxW = &::MessageBoxW;
    // Wine aborts the process on the system's Bluetooth device selection and pairing.
    BluetoothSelectDevicesFn bluetoothSelectDevices;
    BluetoothSelectDevicesFreeFn bluetoothSelectDevicesFree;
    BluetoothAuthenticateDeviceFn bluetoothAuthenticateDevice;
};

// Fixed waits.
struct TimeSeams {
    // Every fixed sleep of the engine and discovery: tests count the waits or make them short.
    void(WINAPI* sleep)(DWORD milliseconds) = &::Sleep;
    // The discovery poll's waits in milliseconds, read by its thread at every pass; 0 is the
    // standard wait.
    std::atomic<DWORD> discoveryIdlePollMs{0};
    std::atomic<DWORD> discoveryListedPollMs{0};
    std::atomic<DWORD> discoveryAnswerWaitMs{0};
};

// The machine and the processes it starts.
struct SystemSeams {
    // Wine runs x64 only: the other processor architectures are played by tests.
    void(WINAPI* getNativeSystemInfo)(LPSYSTEM_INFO info) = &::GetNativeSystemInfo;
    // The reboot command a test must never run.
    decltype(&::CreateProcessW) createProcessW = &::CreateProcessW;
};

namespace seams {

// The process-wide tables, made with the real calls on first use.
SpoolerSeams& Spooler();
PnpSeams& Pnp();
UiSeams& Ui();
TimeSeams& Time();
SystemSeams& System();

}  // namespace seams

// A fixed wait of the engine or discovery (through the time seam).
inline void FixedWait(DWORD milliseconds) { seams::Time().sleep(milliseconds); }

// The real device-ID query behind PnpSeams::queryDeviceId.
bool QueryDeviceIdFromDevice(const wchar_t* devicePath, std::uint8_t* answer, std::size_t capacity,
                             std::size_t* returned);

}  // namespace kelno
