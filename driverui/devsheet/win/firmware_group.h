#pragma once
// The firmware group of the Printer Settings page: the printer's firmware version and checksum
// kept current by a one-second status poll, the choice of an image with its header and model
// checks, and the transfer thread that writes the image straight to the printer's USB or COM
// port while the printer is in firmware-update mode. Shown only for printers that speak QVL.
#include <windows.h>

#include <functional>
#include <string>

namespace kelno {

struct DriverContext;

// What the transfer tells the page (posted; wParam is a status code or, for progress, percent).
// WM_USER + 1 is also the dialog manager's DM_SETDEFID, which the property sheet sends to its
// pages: the transfer's messages carry kFirmwareMessageTag as lParam to tell them apart.
inline constexpr UINT kFirmwareStartedMessage = WM_USER + 1;
inline constexpr UINT kFirmwareFinishedMessage = WM_USER + 3;
inline constexpr UINT kFirmwareFailedMessage = WM_USER + 4;
inline constexpr UINT kFirmwareProgressMessage = WM_USER + 12;
inline constexpr LPARAM kFirmwareMessageTag = 0x4B465755;

// The status poll's timer.
inline constexpr UINT_PTR kFirmwarePollTimer = 3;
inline constexpr UINT kFirmwarePollMs = 1000;

// One transfer. The thread opens the printer by name itself, so it does not depend on the
// sheet's context, which may be released while the transfer still runs.
struct FirmwareTransferJob {
    std::wstring printerName;
    std::wstring imagePath;
    std::function<void(UINT message, WPARAM wParam)> report;
    // The module the thread runs in, held until the thread ends (the spooler may unload the
    // DLL when the sheet closes); none when the caller keeps it loaded.
    HMODULE pinnedModule = nullptr;
};

// The transfer, run on the calling thread.
void RunFirmwareTransfer(const FirmwareTransferJob& job);

// The transfer thread; takes ownership of a FirmwareTransferJob made with new, and releases its
// pinned module as it ends.
DWORD WINAPI FirmwareTransferThread(void* job);

// The print language of the context is QVL: the group is shown.
bool FirmwareGroupWanted(const DriverContext& context);

// WM_INITDIALOG: shows the group and starts the poll, or hides it.
void SetUpFirmwareGroup(HWND page, const DriverContext& context);

// One status poll (WM_TIMER 3).
void PollFirmwareStatus(HWND page, const DriverContext& context);

// The commands: image choice (1057) and transfer start (1058).
void ChooseFirmwareImage(HWND page, const DriverContext& context);
void StartFirmwareTransfer(HWND page, const DriverContext& context);

// The transfer's messages; false for any other message.
bool HandleFirmwareMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kelno
