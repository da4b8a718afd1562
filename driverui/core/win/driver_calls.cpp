// The non-interactive exports: DEVMODE conversion, printer event, driver upgrade and the
// print-job query.
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <cstring>

#include "base/win/wide_text.h"
#include "driverui/core/win/caller_memory.h"
#include "driverui/core/win/context.h"
#include "driverui/core/devmode.h"
#include "driverui/core/win/entry_points.h"
#include "driverui/core/error_text.h"
#include "driverui/core/job_check.h"
#include "driverui/core/win/model_loader.h"
#include "driverui/core/win/module.h"
#include "driverui/core/win/printer_data.h"

namespace kelno {

namespace {

// The driver default of the printer called name, written into output (5196 bytes of room).
DWORD WriteDriverDefault(const wchar_t* name, std::span<std::uint8_t> output) {
    ScopedPrinter printer = OpenPrinterByName(name, false);
    if (!printer) return ERROR_INVALID_DATA;
    std::optional<LoadedModel> loaded = LoadPrinterModel(printer.get(), true);
    if (!loaded) return ERROR_INVALID_DATA;
    DriverDevmode devmode{};
    BuildDriverDefault(loaded->model, U16View(loaded->printerName.c_str()), devmode);
    std::memcpy(output.data(), &devmode, sizeof devmode);
    return ERROR_SUCCESS;
}

// Forms initialisation of printer events and upgrades: the model's papers into "FORMS".
BOOL SavePrinterForms(const wchar_t* printerName, BOOL resultWithoutPrinter) {
    ScopedPrinter printer = OpenPrinterByName(printerName, true);
    if (!printer) return resultWithoutPrinter;
    std::unique_ptr<DriverContext> context = CreateContext(printer.get(), nullptr, nullptr, nullptr, kContextForEvents);
    if (!context) return resultWithoutPrinter;
    return SaveForms(*context, printer.get()) ? TRUE : FALSE;
}

// Writes the error text of a rejected job into the caller's buffer and its full length.
void ReportJobError(DevQueryPrintInfo& info, std::uint32_t errorId, const PublicDevmode* job) {
    std::size_t capacity = 0;
    if (info.pszErrorStr && info.cchErrorStr > 0)
        capacity = WritableBytesAt(info.pszErrorStr, std::size_t{info.cchErrorStr} * sizeof(wchar_t)) / sizeof(wchar_t);
    char16_t* out = capacity ? U16Ptr(info.pszErrorStr) : nullptr;
    std::size_t needed = 0;
    if (job && JobErrorNamesForm(errorId)) {
        const ErrorTextArg args[] = {ErrorTextArg::Text(job->dmFormName, std::size(job->dmFormName)), errorId};
        FormatErrorText(out, capacity, &needed, u"<%s> %!", args, ResourceStrings());
    } else {
        const ErrorTextArg args[] = {errorId};
        FormatErrorText(out, capacity, &needed, u"%!", args, ResourceStrings());
    }
    info.cchNeeded = static_cast<DWORD>(std::min<std::size_t>(needed, MAXDWORD));
}

}  // namespace

BOOL ConvertDevMode(const wchar_t* printerName, const DEVMODEW* input, DEVMODEW* output, LONG* size, DWORD mode) {
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::uint32_t room = *size > 0 ? static_cast<std::uint32_t>(*size) : 0;
    std::span<std::uint8_t> out;
    if (output) {
        auto* bytes = reinterpret_cast<std::uint8_t*>(output);
        out = {bytes, WritableBytesAt(bytes, room)};
    }
    const ConvertOutcome outcome = ConvertDevmode(mode, CallerDevmodeBytes(input), out, &room);
    *size = static_cast<LONG>(std::min<std::uint32_t>(room, LONG_MAX));
    if (!outcome.ok) {
        if (outcome.lastError) SetLastError(outcome.lastError);
        return FALSE;
    }
    if (outcome.buildDriverDefault) {
        if (const DWORD error = WriteDriverDefault(printerName, out); error != ERROR_SUCCESS) {
            SetLastError(error);
            return FALSE;
        }
    }
    return TRUE;
}

BOOL PrinterEvent(const wchar_t* printerName, int event, DWORD, LPARAM) {
    if (event != kPrinterEventInitialize) return TRUE;
    return SavePrinterForms(printerName, TRUE);
}

BOOL UpgradePrinter(DWORD level, const BYTE* upgradeInfo) {
    if (!upgradeInfo || (level != 1 && level != 2)) {
        SetLastError(ERROR_INVALID_DATA);
        return FALSE;
    }
    // Levels 1 and 2 both begin with the printer name.
    const auto* info = reinterpret_cast<const DriverUpgradeInfo1*>(upgradeInfo);
    if (!info->pPrinterName) return FALSE;
    return SavePrinterForms(info->pPrinterName, FALSE);
}

BOOL QueryPrintJob(DevQueryPrintInfo* info) {
    if (!info || info->cbSize < sizeof(DevQueryPrintInfo)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    info->cchNeeded = 0;
    std::uint32_t error = kJobPaperNotLoaded;
    bool written = false;
    std::unique_ptr<DriverContext> context;
    std::optional<PublicDevmode> job;

    const std::span<const std::uint8_t> jobBytes = CallerDevmodeBytes(info->pDevMode);
    if (const std::optional<DevmodeSizes> sizes = RecogniseDevmode(jobBytes)) {
        job = PublicDevmode{};
        std::memcpy(&*job, jobBytes.data(), std::min<std::size_t>(sizes->size, sizeof(PublicDevmode)));
    }
    if (!job) {
        // No DEVMODE, or one whose sizes do not hold together: nothing to check.
        error = kJobInvalidData;
    } else if (DWORD errorId = 0;
               !(context = CreateContext(info->hPrinter, nullptr, info->pDevMode, &errorId, kContextForEvents))) {
        error = errorId ? errorId : kJobMemoryFailure;
    } else {
        // "PPDataFlags" decides whether a job may use a paper other than the loaded one.
        ReadUiSettings(context->printer, *context);
        DriverContextState& state = context->state;
        error = CheckJobPaper(*job, state.mergeMask, state.currentForm, state.model.record.maxPrintLength,
                              state.printerDataFlags);
        if (error == kJobPaperOutOfRange) {
            ReportJobError(*info, error, &*job);
            written = true;
        }
    }
    if (error != kJobAccepted && !written) {
        ReportJobError(*info, error, context ? &*job : nullptr);
        written = true;
    }
    return error == kJobAccepted && !written ? TRUE : FALSE;
}

}  // namespace kelno
