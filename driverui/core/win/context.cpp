#include "driverui/core/win/context.h"

#include <winspool.h>

#include <new>

#include "base/win/wide_text.h"
#include "driverui/core/win/caller_memory.h"
#include "driverui/core/win/model_loader.h"
#include "driverui/core/win/module.h"
#include "driverui/core/win/printer_data.h"
#include "resources/driverui/resource_ids.h"

namespace kelno {

namespace {

// PRINTER_INFO_2's pDevMode inside the buffer that holds it: never past the buffer's end.
std::span<const std::uint8_t> PrinterDevmode(const std::vector<std::uint8_t>& info) {
    const auto* level2 = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
    const auto* devmode = reinterpret_cast<const std::uint8_t*>(level2->pDevMode);
    const std::uint8_t* begin = info.data();
    const std::uint8_t* end = begin + info.size();
    if (!devmode) return {};
    if (devmode < begin || devmode >= end) return CallerDevmodeBytes(level2->pDevMode);
    return {devmode, static_cast<std::size_t>(end - devmode)};
}

// The help file: DRIVER_INFO_3 pHelpFile, else the driver directory and string 1916.
std::wstring HelpFilePath(HANDLE printer) {
    if (std::optional<std::vector<std::uint8_t>> info = QueryPrinterDriver(printer, 3)) {
        const auto* level3 = reinterpret_cast<const DRIVER_INFO_3W*>(info->data());
        if (level3->pHelpFile && *level3->pHelpFile) return level3->pHelpFile;
    }
    wchar_t directory[MAX_PATH] = L"";
    DWORD needed = 0;
    if (!GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory), sizeof directory, &needed))
        return {};
    directory[std::size(directory) - 1] = L'\0';
    const std::wstring file = ResourceWString(IDS_HELP_FILE_NAME);
    if (file.empty()) return {};
    return std::wstring(directory) + L"\\" + file;
}

// What the DEVMODE merge asks of the printer while a context is built. Each value is read at
// most once per context: the answers cannot change meanwhile in a way the merge could use, and
// every spooler call is a round trip to the spooler.
struct MergeSources {
    DriverContext& context;
    std::optional<std::optional<CurrentFormRecord>> installedForm;

    PrinterDataSource Source() {
        PrinterDataSource source;
        // Numbered as the paper lists answer them (entry i is paper 256 + i): the merge writes the
        // id of the paper it takes into dmPaperSize, and a stored id means nothing to a caller.
        source.formList = [this]() -> std::optional<std::vector<PaperRecord>> {
            if (!context.storedForms) return std::nullopt;
            return NumberFormList(ParseFormList(*context.storedForms));
        };
        source.installedForm = [this]() {
            if (!installedForm) installedForm = ReadInstalledForm(context.printer);
            return *installedForm;
        };
        source.driverNameOf = [this](std::u16string_view printer) -> std::optional<std::u16string> {
            // The context's own printer is the usual case; its driver is known already.
            const std::wstring name = WideString(printer);
            if (!context.printerName.empty() && name == context.printerName)
                return std::u16string(U16View(context.driverName.c_str()));
            std::optional<std::wstring> driver = DriverNameOfPrinter(name.c_str());
            if (!driver) return std::nullopt;
            return std::u16string(U16View(driver->c_str()));
        };
        return source;
    }
};

}  // namespace

std::unique_ptr<DriverContext> CreateContext(HANDLE printer, const wchar_t* name, const DEVMODEW* callerDevmode,
                                             DWORD* errorId, unsigned options) {
    auto fail = [errorId]() -> std::unique_ptr<DriverContext> {
        if (errorId) *errorId = IDS_MEMORY_ALLOCATION_FAILED;
        return nullptr;
    };
    std::unique_ptr<DriverContext> context(new (std::nothrow) DriverContext);
    if (!context) return fail();
    context->options = options;
    if (!printer) {
        // Wine's DeviceCapabilitiesW, and its AddPrinterW while it builds the default DEVMODE,
        // pass no handle: the printer is reached by its name.
        context->ownedPrinter = OpenPrinterByName(name, false);
        printer = context->ownedPrinter.get();
        if (!printer) return fail();
    }

    // PRINTER_INFO_2 carries the printer's name as well as its DEVMODE: one spooler call for
    // both (PRINTER_INFO_1 is asked for the name only when level 2 cannot be read).
    std::optional<std::vector<std::uint8_t>> printerInfo = QueryPrinter(printer, 2);
    const auto* level2 = printerInfo ? reinterpret_cast<const PRINTER_INFO_2W*>(printerInfo->data()) : nullptr;
    std::optional<LoadedModel> loaded = LoadPrinterModel(printer, !level2);
    if (!loaded) return fail();
    if (level2 && level2->pPrinterName) loaded->printerName = std::wstring(level2->pPrinterName).substr(0, 31);
    context->printer = printer;
    context->state.model = std::move(loaded->model);
    context->driverName = std::move(loaded->driverName);
    context->printerName = std::move(loaded->printerName);
    context->state.printerDataFlags = kPrinterDataFlagsUnread;
    context->callerDevmode = callerDevmode;
    context->storedForms = ReadFormBytes(printer);

    ContextSources sources;
    sources.printerName = U16View(context->printerName.c_str());
    if (context->storedForms) sources.storedForms = std::span<const std::uint8_t>(*context->storedForms);
    if (printerInfo) sources.printerDevmode = PrinterDevmode(*printerInfo);
    sources.callerDevmode = CallerDevmodeBytes(callerDevmode);
    MergeSources merge{*context, std::nullopt};
    sources.printer = merge.Source();
    PrepareContext(context->state, sources);

    if ((options & kContextHelpPath) && context->helpPath.empty()) context->helpPath = HelpFilePath(printer);
    return context;
}

}  // namespace kelno
