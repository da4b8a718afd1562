#include "drvwizard/win/usb_arrival.h"

#include <dbt.h>

#include <cstring>
#include <string>

#include "base/win/wide_text.h"
#include "common/win/debug_output.h"
#include "common/win/log.h"
#include "discovery/port_record.h"
#include "discovery/win/network_discovery.h"
#include "discovery/win/usb_scan.h"
#include "drvwizard/install_port_rows.h"
#include "drvwizard/install_refresh.h"

namespace kelno {

std::uint32_t LastUsbCount = 0;

namespace {

// {86E0D1E0-8089-11D0-9CE4-08003E301F73}
constexpr GUID kComPortInterfaceClass = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

UsbRefreshTimer RefreshTimer;
HDEVNOTIFY AllClassesNotification = nullptr;
HDEVNOTIFY ComPortNotification = nullptr;

InterfaceClassId ClassIdOf(const GUID& guid) {
    InterfaceClassId id{guid.Data1, guid.Data2, guid.Data3, {}};
    std::memcpy(id.data4.data(), guid.Data4, id.data4.size());
    return id;
}

void DebugLine(const std::string& line) {
    if (!line.empty()) DebugOut(WideString(AsciiToU16(line)).c_str());
}

void Apply(HWND page, const RefreshStep& step) {
    if (step.timer == TimerCommand::start) SetTimer(page, kRefreshTimerId, kRefreshIntervalMs, nullptr);
    if (step.timer == TimerCommand::kill) KillTimer(page, kRefreshTimerId);
    DebugLine(step.line);
}

HDEVNOTIFY Register(HWND page, const GUID& interfaceClass, DWORD flags, DWORD& error) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = interfaceClass;
    HDEVNOTIFY handle = RegisterDeviceNotificationW(page, &filter, DEVICE_NOTIFY_WINDOW_HANDLE | flags);
    error = handle ? 0 : GetLastError();
    return handle;
}

}  // namespace

void RegisterALLDeviceNotification(HWND page) {
    UnregisterDeviceNotifications();
    DWORD allError = 0, comError = 0;
    AllClassesNotification = Register(page, GUID{}, DEVICE_NOTIFY_ALL_INTERFACE_CLASSES, allError);
    ComPortNotification = Register(page, kComPortInterfaceClass, 0, comError);
    KELNO_LOG_INFO("[Bluetooth][DeviceChange] notification_registration allClassesRegistered={} allClassesError={} "
                   "comInterfaceRegistered={} comInterfaceError={}",
                   AllClassesNotification != nullptr, allError, ComPortNotification != nullptr, comError);
}

void UnregisterDeviceNotifications() {
    if (AllClassesNotification) UnregisterDeviceNotification(AllClassesNotification);
    if (ComPortNotification) UnregisterDeviceNotification(ComPortNotification);
    AllClassesNotification = ComPortNotification = nullptr;
}

bool RescanUsbAndCompare(HWND page) {
    const std::u16string oldSnapshot = UsbSnapshot(UsbDeviceList);
    const std::uint32_t oldCount = LastUsbCount;
    const std::uint32_t newCount = ScanUsbPorts();
    const std::u16string newSnapshot = UsbSnapshot(UsbDeviceList);
    if (!UsbListChanged(oldCount, newCount, oldSnapshot, newSnapshot)) return false;

    LastUsbCount = newCount;
    DebugOutF(L"[drvwizard][PortUI][USBRefresh] scan=changed oldCount=%d newCount=%d", static_cast<int>(oldCount),
              static_cast<int>(newCount));
    DebugOutF(L"[drvwizard][PortUI][USBRefresh] oldSnapshot=%ws", WideString(oldSnapshot).c_str());
    DebugOutF(L"[drvwizard][PortUI][USBRefresh] newSnapshot=%ws", WideString(newSnapshot).c_str());
    SendMessageW(page, WM_PORTS_CHANGED, 0, 0);
    return true;
}

void On_WM_DeviceChange(HWND page, WPARAM event, LPARAM header, bool bluetoothSelected) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
    const auto* broadcast = reinterpret_cast<const DEV_BROADCAST_HDR*>(header);
    if (!broadcast || broadcast->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return;
    // The header's size says how much of the interface record is there.
    if (broadcast->dbch_size < offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name)) return;
    const auto* deviceInterface = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(broadcast);

    const NotifiedClass notified = ClassifyInterfaceClass(ClassIdOf(deviceInterface->dbcc_classguid));
    switch (notified) {
        case NotifiedClass::usbDevice:
        case NotifiedClass::usbPrinter: {
            const bool printer = notified == NotifiedClass::usbPrinter;
            RescanUsbAndCompare(page);
            if (event == DBT_DEVICEARRIVAL) {
                if (printer) Apply(page, RefreshTimer.OnPrinterArrival());
            } else {
                Apply(page, RefreshTimer.OnRemoval(LastUsbCount));
            }
            return;
        }
        case NotifiedClass::comPort:
            KELNO_LOG_INFO("[Bluetooth][DeviceChange] event={} bluetoothSelected={} action=refresh_setupapi_list",
                           static_cast<unsigned>(event), bluetoothSelected);
            // The Bluetooth rows stand in the list only under the Bluetooth filter; any other
            // filter's rows stay as they are.
            if (bluetoothSelected) SendMessageW(page, WM_PORTS_CHANGED, 0, 0);
            return;
        case NotifiedClass::other: return;
    }
}

void OnRefreshTimer(HWND page, UINT_PTR timerId) {
    if (timerId != kRefreshTimerId) return;
    if (!RefreshTimer.Active()) {
        // A tick already queued when the timer was killed.
        KillTimer(page, kRefreshTimerId);
        return;
    }
    RefreshTimer.BeginTick();
    const bool changed = RescanUsbAndCompare(page);
    Apply(page, RefreshTimer.EndTick(changed));
}

void StopRefreshTimerOnNext(HWND page) { Apply(page, RefreshTimer.OnWizardNext()); }

void StopRefreshTimer(HWND page) { Apply(page, RefreshTimer.Stop()); }

bool RefreshTimerActive() { return RefreshTimer.Active(); }
int RefreshTickCount() { return RefreshTimer.Ticks(); }

}  // namespace kelno
