#pragma once
// The install page's USB arrival refresh: device notifications for every interface class and for
// COM ports, the rescan of the USB printers with a snapshot comparison, and timer 1001, which
// keeps rescanning for a while after a USB printer arrived (Windows creates the printer's port
// data a little after it reports the device). Runs on the page's thread.
#include <windows.h>

#include <cstdint>

namespace kelno {

// The count of the last USB scan that was seen as a change.
extern std::uint32_t LastUsbCount;

// Registers the page for device-interface notifications of all classes and of the COM port
// class, and logs both results. Failures are only logged.
void RegisterALLDeviceNotification(HWND page);
void UnregisterDeviceNotifications();

// Rescans the USB printers; on a change writes the debug lines, sends WM_PORTS_CHANGED to the
// page and returns true.
bool RescanUsbAndCompare(HWND page);

// WM_DEVICECHANGE of the page. bluetoothSelected: the port filter is Bluetooth (COM port
// arrivals then rebuild the list).
void On_WM_DeviceChange(HWND page, WPARAM event, LPARAM header, bool bluetoothSelected);
// WM_TIMER of the page.
void OnRefreshTimer(HWND page, UINT_PTR timerId);
// Next on the page: logs a stop while polling, then stops.
void StopRefreshTimerOnNext(HWND page);
void StopRefreshTimer(HWND page);

bool RefreshTimerActive();
int RefreshTickCount();

}  // namespace kelno
