#include "driverui/devsheet/win/firmware_group.h"

#include <commctrl.h>
#include <commdlg.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/wide_printf.h"
#include "base/win/boundary.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "driverui/core/win/context.h"
#include "driverui/core/win/module.h"
#include "driverui/devsheet/firmware.h"
#include "driverui/devsheet/win/printer_comm.h"
#include "resources/driverui/resource_ids.h"

namespace kelno {
namespace {

// The controls shown or hidden with the group (the status line stays as it is).
constexpr std::array<int, 16> kGroupControls = {
    IDC_PRINTER_SETTINGS_FIRMWARE_GROUP,
    IDC_PRINTER_SETTINGS_VERSION_LABEL,
    IDC_PRINTER_SETTINGS_CRC_LABEL,
    IDC_PRINTER_SETTINGS_IMAGE_PATH_LABEL,
    IDC_PRINTER_SETTINGS_IMAGE_MODEL_LABEL,
    IDC_PRINTER_SETTINGS_IMAGE_VERSION_LABEL,
    IDC_PRINTER_SETTINGS_IMAGE_CRC_LABEL,
    IDC_PRINTER_SETTINGS_FIRMWARE_VERSION,
    IDC_PRINTER_SETTINGS_FIRMWARE_CRC,
    IDC_PRINTER_SETTINGS_IMAGE_PATH,
    IDC_PRINTER_SETTINGS_BROWSE_IMAGE,
    IDC_PRINTER_SETTINGS_IMAGE_MODEL,
    IDC_PRINTER_SETTINGS_IMAGE_VERSION,
    IDC_PRINTER_SETTINGS_IMAGE_CRC,
    IDC_PRINTER_SETTINGS_UPDATE,
    IDC_PRINTER_SETTINGS_PROGRESS,
};

// The printer name as the model check compares it: at most 100 characters, ANSI.
constexpr std::size_t kPrinterNameChars = 100;

void Enable(HWND page, int id, bool on) { EnableWindow(GetDlgItem(page, id), on ? TRUE : FALSE); }

bool ControlEmpty(HWND page, int id) { return GetWindowTextLengthW(GetDlgItem(page, id)) == 0; }

void ShowStatus(HWND page, std::uint32_t code) {
    const std::optional<std::uint32_t> text = FirmwareStatusString(code);
    if (text) SetDlgItemTextW(page, IDC_PRINTER_SETTINGS_STATUS, ResourceWString(*text).c_str());
}

void ShowProgress(HWND page, std::uint32_t percent) {
    SendDlgItemMessageW(page, IDC_PRINTER_SETTINGS_PROGRESS, PBM_SETPOS, percent, 0);
    const std::u16string format = ResourceString(kFirmwareProgressString);
    char16_t line[256] = u"";
    if (FormatWideArgs(line, std::size(line), format.c_str(), static_cast<int>(percent)) < 0) line[0] = u'\0';
    SetDlgItemTextW(page, IDC_PRINTER_SETTINGS_STATUS, WidePtr(line));
}

std::string AnsiText(std::wstring_view text) {
    if (text.empty()) return {};
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(), bytes, nullptr, nullptr);
    return ansi;
}

std::wstring ControlText(HWND page, int id) {
    wchar_t text[kPortTargetUnits] = L"";
    GetDlgItemTextW(page, id, text, static_cast<int>(std::size(text)));
    return text;
}

// The printer's full name (the context keeps at most 31 characters of it).
std::wstring FullPrinterName(const DriverContext& context) {
    DWORD needed = 0;
    if (context.printer) {
        GetPrinterW(context.printer, 1, nullptr, 0, &needed);
        if (needed >= sizeof(PRINTER_INFO_1W)) {
            std::vector<std::uint8_t> buffer(needed);
            if (GetPrinterW(context.printer, 1, buffer.data(), needed, &needed)) {
                const auto* info = reinterpret_cast<const PRINTER_INFO_1W*>(buffer.data());
                if (info->pName && *info->pName) return info->pName;
            }
        }
    }
    return context.printerName;
}

// Sends the image to the opened port in blocks; the status code of a failure, or nothing.
std::optional<std::uint32_t> WriteImage(HANDLE image, std::uint64_t size, HANDLE port, const FirmwareTransferJob& job) {
    std::uint8_t block[kFirmwareBlockBytes];
    std::uint64_t sent = 0;
    while (sent < size) {
        DWORD read = 0;
        if (!ReadFile(image, block, sizeof block, &read, nullptr) || read == 0) return kFirmwareFileError;
        DWORD written = 0;
        if (!WriteFile(port, block, read, &written, nullptr) || written < read) return kFirmwareSendFailed;
        sent += read;
        job.report(kFirmwareProgressMessage, TransferPercent(sent, size));
    }
    return std::nullopt;
}

}  // namespace

void RunFirmwareTransfer(const FirmwareTransferJob& job) {
    job.report(kFirmwareStartedMessage, kFirmwareReady);
    ScopedFile image(
        CreateFileW(job.imagePath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    // An empty image has nothing to send: the printer is not switched into update mode for it.
    if (!image || !GetFileSizeEx(image.get(), &size) || size.QuadPart <= 0) {
        job.report(kFirmwareFailedMessage, kFirmwareFileError);
        return;
    }
    ScopedPrinter printer;
    if (!OpenPrinterW(const_cast<wchar_t*>(job.printerName.c_str()), printer.receive(), nullptr)) printer.reset();
    if (!*FindPortTarget(printer.get())) {
        job.report(kFirmwareFailedMessage, kFirmwareFileError);
        return;
    }
    ScopedFile port = OpenPortTarget();
    if (!port) {
        job.report(kFirmwareFailedMessage, kFirmwareFileError);
        return;
    }
    if (!SetFirmwareUpdateMode(printer.get(), true)) {
        job.report(kFirmwareFailedMessage, kFirmwareModeFailed);
        return;
    }
    // A failed write leaves the printer in update mode: it waits for a complete image.
    if (const std::optional<std::uint32_t> failure =
            WriteImage(image.get(), static_cast<std::uint64_t>(size.QuadPart), port.get(), job)) {
        job.report(kFirmwareFailedMessage, *failure);
        return;
    }
    if (SetFirmwareUpdateMode(printer.get(), false)) job.report(kFirmwareFinishedMessage, kFirmwareReady);
    else job.report(kFirmwareFailedMessage, kFirmwareModeFailed);
}

DWORD WINAPI FirmwareTransferThread(void* argument) {
    std::unique_ptr<FirmwareTransferJob> job(static_cast<FirmwareTransferJob*>(argument));
    const HMODULE pinned = job ? job->pinnedModule : nullptr;
    const DWORD result = Guarded<DWORD>("firmware transfer", 1, [&] {
        if (job) RunFirmwareTransfer(*job);
        return DWORD{0};
    });
    job.reset();
    if (pinned) FreeLibraryAndExitThread(pinned, result);
    return result;
}

bool FirmwareGroupWanted(const DriverContext& context) { return context.state.devmode.priv.printerLanguage == 0; }

void SetUpFirmwareGroup(HWND page, const DriverContext& context) {
    const bool shown = FirmwareGroupWanted(context);
    for (int id : kGroupControls) ShowWindow(GetDlgItem(page, id), shown ? SW_SHOW : SW_HIDE);
    SendDlgItemMessageW(page, IDC_PRINTER_SETTINGS_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    if (shown) SetTimer(page, kFirmwarePollTimer, kFirmwarePollMs, nullptr);
}

void PollFirmwareStatus(HWND page, const DriverContext& context) {
    if (!context.printer) return;
    std::uint8_t reply[kPollReplyBytes];
    if (QueryPrinterValue(context.printer, L"qvgetcmd1", reply) == ERROR_SUCCESS && PrinterOffline(reply)) {
        ShowStatus(page, kFirmwareOffline);
        return;
    }
    if (QueryPrinterValue(context.printer, L"qvgetcmd5", reply) == ERROR_SUCCESS) ShowStatus(page, PollStatus(reply));
    if (ControlEmpty(page, IDC_PRINTER_SETTINGS_FIRMWARE_VERSION) &&
        QueryPrinterValue(context.printer, L"qvgetcmd2", reply) == ERROR_SUCCESS)
        SetDlgItemTextA(page, IDC_PRINTER_SETTINGS_FIRMWARE_VERSION, FirmwareVersionText(reply).c_str());
    if (ControlEmpty(page, IDC_PRINTER_SETTINGS_FIRMWARE_CRC) &&
        QueryPrinterValue(context.printer, L"qvgetcmd7", reply) == ERROR_SUCCESS)
        SetDlgItemTextA(page, IDC_PRINTER_SETTINGS_FIRMWARE_CRC, PrinterChecksumText(FirmwareChecksum(reply)).c_str());
}

void ChooseFirmwareImage(HWND page, const DriverContext& context) {
    wchar_t path[kPortTargetUnits] = L"";
    OPENFILENAMEW choice{};
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = page;
    choice.lpstrFilter = L"All(*.*)\0*.*\0";
    choice.lpstrFile = path;
    choice.nMaxFile = static_cast<DWORD>(std::size(path));
    choice.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (!GetOpenFileNameW(&choice)) return;

    SetDlgItemTextW(page, IDC_PRINTER_SETTINGS_IMAGE_PATH, path);
    ScopedFile image(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!image) {
        MessageBoxW(page, L"Open file failed.", L"Error", MB_OK);
        return;
    }
    std::uint8_t bytes[kFirmwareHeaderBytes] = {};
    DWORD read = 0;
    if (!ReadFile(image.get(), bytes, sizeof bytes, &read, nullptr)) read = 0;
    const std::optional<FirmwareHeader> header = ParseFirmwareHeader(std::span<const std::uint8_t>(bytes, read));
    if (!header) {
        for (int id :
             {IDC_PRINTER_SETTINGS_IMAGE_VERSION, IDC_PRINTER_SETTINGS_IMAGE_CRC, IDC_PRINTER_SETTINGS_IMAGE_MODEL})
            SetDlgItemTextW(page, id, L"");
        return;
    }
    SetDlgItemTextA(page, IDC_PRINTER_SETTINGS_IMAGE_VERSION, header->version.c_str());
    SetDlgItemTextA(page, IDC_PRINTER_SETTINGS_IMAGE_CRC, ImageChecksumText(header->checksum).c_str());
    SetDlgItemTextA(page, IDC_PRINTER_SETTINGS_IMAGE_MODEL, header->model.c_str());

    std::wstring printerName = FieldString(context.state.devmode.pub.dmDeviceName);
    if (printerName.size() > kPrinterNameChars) printerName.resize(kPrinterNameChars);
    if (ImageFitsPrinter(header->model, AnsiText(printerName))) {
        Enable(page, IDC_PRINTER_SETTINGS_UPDATE, true);
        return;
    }
    const int answer = MessageBoxW(page, ResourceWString(IDS_FIRMWARE_MODEL_MISMATCH).c_str(), nullptr, MB_YESNO);
    Enable(page, IDC_PRINTER_SETTINGS_UPDATE, answer == IDYES);
}

void StartFirmwareTransfer(HWND page, const DriverContext& context) {
    auto job = std::make_unique<FirmwareTransferJob>();
    job->printerName = FullPrinterName(context);
    job->imagePath = ControlText(page, IDC_PRINTER_SETTINGS_IMAGE_PATH);
    job->report = [page](UINT message, WPARAM wParam) { PostMessageW(page, message, wParam, kFirmwareMessageTag); };
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<const wchar_t*>(&FirmwareTransferThread), &job->pinnedModule);
    HANDLE thread = CreateThread(nullptr, 0, FirmwareTransferThread, job.get(), 0, nullptr);
    if (!thread) {
        if (job->pinnedModule) FreeLibrary(job->pinnedModule);
        return;
    }
    job.release();  // the thread owns it now
    CloseHandle(thread);
}

bool HandleFirmwareMessage(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (lParam != kFirmwareMessageTag) return false;
    const auto code = static_cast<std::uint32_t>(wParam);
    switch (message) {
        case kFirmwareStartedMessage:
            Enable(page, IDC_PRINTER_SETTINGS_UPDATE, false);
            ShowStatus(page, code);
            KillTimer(page, kFirmwarePollTimer);
            return true;
        case kFirmwareFinishedMessage:
            Enable(page, IDC_PRINTER_SETTINGS_UPDATE, true);
            SetDlgItemTextW(page, IDC_PRINTER_SETTINGS_FIRMWARE_CRC, L"");
            SetDlgItemTextW(page, IDC_PRINTER_SETTINGS_FIRMWARE_VERSION, L"");
            ShowStatus(page, code);
            SetTimer(page, kFirmwarePollTimer, kFirmwarePollMs, nullptr);
            return true;
        case kFirmwareFailedMessage:
            Enable(page, IDC_PRINTER_SETTINGS_UPDATE, true);
            ShowStatus(page, code);
            return true;
        case kFirmwareProgressMessage: ShowProgress(page, code); return true;
        default: return false;
    }
}

}  // namespace kelno
