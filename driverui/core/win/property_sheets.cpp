// The two property sheets of the driver (printing preferences and printer properties), the
// handler both share with the common property-sheet UI, and the apply callback.
//
// The common UI calls a sheet's entry with PROPSHEETUI_REASON_INIT, then GET_INFO_HEADER,
// SET_RESULT and finally DESTROY. INIT builds a driver context that lives in the info's user
// data until DESTROY, hands the common UI a description (COMPROPSHEETUI) whose callback is the
// apply callback, and adds the sheet's pages.
#include <windows.h>
#include <commctrl.h>
#include <compstui.h>
#include <objidl.h>  // gdiplus.h needs it with WIN32_LEAN_AND_MEAN
#include <gdiplus.h>
#include <prsht.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>
#include <string>

#include "base/win/wide_text.h"
#include "base/win/boundary.h"
#include "driverui/core/win/caller_memory.h"
#include "driverui/core/win/context.h"
#include "driverui/core/devmode.h"
#include "driverui/core/win/entry_points.h"
#include "driverui/core/win/module.h"
#include "driverui/core/narrow_text.h"
#include "driverui/core/win/printer_data.h"
#include "driverui/core/win/sheet_pages.h"
#include "resources/driverui/resource_ids.h"

namespace kelno {

namespace {

// How many of the printing preferences' first pages the common UI's description shows; the
// pages after them are added as property-sheet pages.
constexpr std::size_t kDocumentPagesShownByDescription = 0;

DriverContext* ContextOf(const PROPSHEETUI_INFO* info) { return reinterpret_cast<DriverContext*>(info->UserData); }

// Ends a context that lives in the info's user data: GDI+ stops, the context is released.
void DestroyContext(PROPSHEETUI_INFO* info) {
    DriverContext* context = ContextOf(info);
    info->UserData = 0;
    if (!context) return;
    context->gdiplus.reset();
    delete context;
}

// The common UI's icon for the sheet: the printer icon, one of four by colour and paper kind.
ULONG_PTR SheetIcon(const PrinterModel& model) {
    ULONG_PTR icon = kCommonUiPrinterIcon;
    if (model.record.modelFlags & kModelFlagMonochrome) icon += 2;
    if (!(model.record.modelFlags & kModelFlagRollPaper)) icon += 1;
    return icon;
}

bool AddPage(PROPSHEETUI_INFO* info, DriverContext* context, const SheetPage& page) {
    PropertySheetPageV4 sheetPage{};
    sheetPage.v3.dwSize = sizeof sheetPage;
    sheetPage.v3.hInstance = g_module;
    sheetPage.v3.pszTemplate = MAKEINTRESOURCEW(page.dialogId);
    sheetPage.v3.pfnDlgProc = page.procedure;
    sheetPage.v3.lParam = reinterpret_cast<LPARAM>(context);
    return info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW, reinterpret_cast<LPARAM>(&sheetPage),
                                 0) != 0;
}

// The description's dialog-page table entry of a page.
DLGPAGE DescriptionPage(const SheetPage& page) {
    DLGPAGE entry{};
    entry.cbSize = sizeof entry;
    entry.DlgProc = page.procedure;
    entry.DlgTemplateID = page.dialogId;
    return entry;
}

// PROPSHEETUI_REASON_INIT of the common handler; takes ownership of the context.
LONG InitCommonHandler(PROPSHEETUI_INFO* info, std::unique_ptr<DriverContext> owned) {
    DriverContext* context = owned.release();
    info->UserData = reinterpret_cast<ULONG_PTR>(context);
    info->Result = 0;

    context->optionItem = std::make_unique<OPTITEM>();
    context->optionItem->cbSize = sizeof(OPTITEM);
    context->optionItemCount = 1;

    ReadUiSettings(context->printer, *context);

    HANDLE commonUi = nullptr;
    if (CommonUiDescription* description = context->description.get()) {
        const DriverContextState& state = context->state;
        COMPROPSHEETUI& sheet = description->sheet;
        sheet.cbSize = sizeof sheet;
        sheet.hInstCaller = g_module;
        description->callerName = ResourceWString(IDS_CALLER_NAME);
        sheet.pCallerName = description->callerName.data();
        sheet.UserData = reinterpret_cast<ULONG_PTR>(context);
        sheet.pHelpFile = context->helpPath.empty() ? nullptr : context->helpPath.data();
        sheet.IconID = SheetIcon(state.model);
        description->optionItemName.assign(WidePtr(state.devmode.pub.dmDeviceName),
                                           FixedText(state.devmode.pub.dmDeviceName).size());
        sheet.pOptItemName = description->optionItemName.data();
        sheet.CallerVersion = kDevmodeDriverVersion;
        sheet.OptItemVersion = static_cast<WORD>(state.model.record.version);
        sheet.pOptItem = context->optionItem.get();
        sheet.cOptItem = context->optionItemCount;
        sheet.pDlgPage = description->pages.empty() ? nullptr : description->pages.data();
        sheet.cDlgPage = static_cast<WORD>(description->pages.size());
        sheet.Flags &= ~CPSUIF_ABOUT_CALLBACK;
        if (context->state.permission & kPermissionChange) sheet.Flags |= CPSUIF_UPDATE_PERMISSION;
        if (context->state.printerDataFlags & kPrinterDataStocksLocked) sheet.Flags &= ~CPSUIF_UPDATE_PERMISSION;

        DWORD pages = 0;
        commonUi = reinterpret_cast<HANDLE>(info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PCOMPROPSHEETUIW,
                                                                  reinterpret_cast<LPARAM>(&sheet),
                                                                  reinterpret_cast<LPARAM>(&pages)));
    }
    if (!commonUi) {
        DestroyContext(info);
        return -1;
    }
    context->commonUi = commonUi;
    Gdiplus::GdiplusStartupInput startup;
    if (Gdiplus::GdiplusStartup(context->gdiplus.receive(), &startup, nullptr) != Gdiplus::Ok)
        context->gdiplus.release();  // a failed start-up leaves nothing to shut down
    return 1;
}

// The reasons after INIT, shared by both sheets. title is the printer name of the sheet's header.
LONG CommonHandler(PROPSHEETUI_INFO* info, LPARAM parameter, const wchar_t* title) {
    DriverContext* context = ContextOf(info);
    switch (info->Reason) {
        case PROPSHEETUI_REASON_GET_INFO_HEADER: {
            auto* header = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(parameter);
            if (!header || !context) return -1;
            header->Flags = PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE;
            header->pTitle = const_cast<wchar_t*>(title);
            header->hInst = g_module;
            header->IconID = context->description ? context->description->sheet.IconID : 0;
            return 1;
        }
        case PROPSHEETUI_REASON_DESTROY: DestroyContext(info); return 1;
        case PROPSHEETUI_REASON_SET_RESULT: {
            const auto* result = reinterpret_cast<const SETRESULT_INFO*>(parameter);
            if (!result || !context || !context->commonUi || result->hSetResult != context->commonUi) return -1;
            info->Result = static_cast<ULONG_PTR>(result->Result);
            return 1;
        }
        default: return -1;
    }
}

// The paper bits of dmFields for the current form.
std::uint32_t PaperFields(std::uint32_t id, const PublicDevmode& devmode) {
    const bool customSize = id == kUserPaperId || (id == 0 && devmode.dmPaperWidth >= 1 && devmode.dmPaperLength >= 1);
    return customSize ? (kDmPaperSize | kDmPaperLength | kDmPaperWidth) : kDmPaperBits;
}

std::int16_t Tenths(std::int64_t micrometres) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(micrometres / 100, INT16_MIN, INT16_MAX));
}

// Apply: the working copy goes back into the caller's DEVMODE and the printer's current form.
LONG ApplySettings(CPSUICBPARAM* parameter) {
    if (!parameter || parameter->Reason != CPSUICB_REASON_APPLYNOW) return CPSUICB_ACTION_NONE;
    auto* context = reinterpret_cast<DriverContext*>(parameter->UserData);
    if (!context || !(context->state.permission & kPermissionChange) || !context->outputDevmode)
        return CPSUICB_ACTION_NONE;
    DriverContextState& state = context->state;
    PublicDevmode& devmode = state.devmode.pub;

    // The pages after Page Setup hand their settings over on PSN_APPLY; then Page Setup writes
    // the sheet's page state into the context DEVMODE.
    for (std::size_t n = 1; n <= context->pageWindows.size(); ++n) {
        HWND page = context->pageWindows[n % context->pageWindows.size()];
        if (!page) continue;
        PSHNOTIFY notify{};
        notify.hdr.hwndFrom = GetParent(page);
        notify.hdr.code = PSN_APPLY;
        SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
    }

    // The current form by its name in the printer's list, when the caller asked for another id.
    const std::span<const std::uint8_t> callerBytes = CallerDevmodeBytes(context->callerDevmode);
    std::int32_t callerPaperSize = devmode.dmPaperSize;
    constexpr std::size_t kPaperSizeEnd = offsetof(PublicDevmode, dmPaperSize) + sizeof(std::int16_t);
    if (RecogniseDevmode(callerBytes) && callerBytes.size() >= kPaperSizeEnd) {
        std::int16_t paperSize = 0;
        std::memcpy(&paperSize, callerBytes.data() + offsetof(PublicDevmode, dmPaperSize), sizeof paperSize);
        callerPaperSize = paperSize;
    }
    if (std::optional<std::vector<PaperRecord>> forms = ReadFormList(context->printer)) {
        const std::vector<PaperRecord> list = NumberFormList(std::move(*forms));
        const std::u16string_view name = FixedText(state.currentForm.name);
        const auto found = std::find_if(list.begin(), list.end(),
                                        [&](const PaperRecord& paper) { return FixedText(paper.name) == name; });
        if (found != list.end() && static_cast<std::int32_t>(found->id) != callerPaperSize) {
            devmode.dmPaperSize = static_cast<std::int16_t>(found->id);
            CurrentFormRecord form = CurrentFormFromPaper(*found);
            std::memcpy(form.name, state.currentForm.name, sizeof form.name);
            state.currentForm = form;
        }
    }

    const CurrentFormRecord& form = state.currentForm;
    devmode.dmPaperWidth = Tenths(std::int64_t{form.right} - form.left);
    devmode.dmPaperLength = Tenths(std::int64_t{form.bottom} - form.top);
    StoreFixedText(devmode.dmFormName, FixedText(form.name));
    devmode.dmFields = (devmode.dmFields & ~kDmPaperBits) | PaperFields(form.id, devmode);

    const std::wstring device(WidePtr(devmode.dmDeviceName), FixedText(devmode.dmDeviceName).size());
    if (ScopedPrinter printer = OpenPrinterByName(device.c_str(), true)) WriteInstalledForm(printer.get(), form);

    WriteDevmodeOutput(state.devmode, callerBytes, OutputDevmodeArea(context->outputDevmode));
    parameter->Result = CPSUI_OK;
    return CPSUICB_ACTION_ITEMS_APPLIED;
}

// The common UI's callback of both descriptions.
LONG CALLBACK ApplyCallback(CPSUICBPARAM* parameter) {
    return Guarded<LONG>("apply callback", CPSUICB_ACTION_NONE, [&] { return ApplySettings(parameter); });
}

// DrvDocumentPropertySheets without property-sheet info: the DEVMODE queries.
LONG DocumentPropertiesQuery(DocumentPropertyHeader* header) {
    if (!header) return 0;
    if (header->cbSize < sizeof(DocumentPropertyHeader)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (header->fMode == 0 || !header->pdmOut) {
        header->cbOut = kDriverDevmodeSize;
        return static_cast<LONG>(kDriverDevmodeSize);
    }
    if (!(header->fMode & (DM_UPDATE | DM_COPY)) || (header->fMode & kDmNoPermission)) return 1;
    std::unique_ptr<DriverContext> context =
        CreateContext(header->hPrinter, header->pszPrinterName, header->pdmIn, nullptr, 0);
    if (!context) return -1;
    if (!WriteDevmodeOutput(context->state.devmode, CallerDevmodeBytes(header->pdmIn),
                            OutputDevmodeArea(header->pdmOut))) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return -1;
    }
    return 1;
}

LONG InitDocumentSheet(PROPSHEETUI_INFO* info) {
    auto* header = reinterpret_cast<DocumentPropertyHeader*>(info->lParamInit);
    if (!header || header->cbSize < sizeof(DocumentPropertyHeader)) {
        SetLastError(ERROR_INVALID_DATA);
        return -1;
    }
    std::unique_ptr<DriverContext> context =
        CreateContext(header->hPrinter, header->pszPrinterName, header->pdmIn, nullptr, kDocumentSheetOptions);
    if (!context) {
        SetLastError(ERROR_INVALID_DATA);
        return -1;
    }
    if ((header->fMode & (DM_UPDATE | DM_COPY)) && !(header->fMode & kDmNoPermission) && header->pdmOut) {
        context->state.permission = 3;
        context->outputDevmode = header->pdmOut;
        WriteDevmodeOutput(context->state.devmode, CallerDevmodeBytes(header->pdmIn),
                           OutputDevmodeArea(header->pdmOut));
    } else {
        context->state.permission = 2;
    }

    auto description = std::make_unique<CommonUiDescription>();
    description->sheet.pfnCallBack = ApplyCallback;
    const std::span<const SheetPage> pages = SheetPages(Sheet::printingPreferences);
    for (const SheetPage& page : pages) description->pages.push_back(DescriptionPage(page));
    context->description = std::move(description);

    DriverContext* kept = context.get();
    const LONG result = InitCommonHandler(info, std::move(context));
    if (result <= 0) return result;
    for (std::size_t i = kDocumentPagesShownByDescription; i < pages.size(); ++i) {
        const SheetPage& page = pages[i];
        if (page.shown && !page.shown(*kept)) continue;
        AddPage(info, kept, page);
    }
    return result;
}

// Lets a message through the window message filter of an elevated sheet (Vista and later).
void AllowMessage(UINT message) {
    using Filter = BOOL(WINAPI*)(UINT, DWORD);
    static const auto filter = reinterpret_cast<Filter>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilter")));
    if (filter) filter(message, MSGFLT_ADD);
}

LONG InitDeviceSheet(PROPSHEETUI_INFO* info) {
    auto* header = reinterpret_cast<DevicePropertyHeader*>(info->lParamInit);
    std::unique_ptr<DriverContext> context;
    if (header && header->cbSize >= sizeof(DevicePropertyHeader))
        context = CreateContext(header->hPrinter, header->pszPrinterName, nullptr, nullptr, kDeviceSheetOptions);
    if (!context) {
        SetLastError(ERROR_INVALID_DATA);
        return -1;
    }
    context->state.permission = (header->Flags & kDpsNoPermission) ? 0 : kPermissionChange;
    auto description = std::make_unique<CommonUiDescription>();
    description->sheet.Flags = 0;
    description->sheet.pfnCallBack = ApplyCallback;
    context->description = std::move(description);
    AllowMessage(kWmDropFiles);
    AllowMessage(kWmCopyGlobalData);

    DriverContext* kept = context.get();
    const LONG result = InitCommonHandler(info, std::move(context));
    if (result <= 0) return result;
    for (const SheetPage& page : SheetPages(Sheet::printerProperties)) AddPage(info, kept, page);
    return result;
}

}  // namespace

LONG DocumentPropertySheets(PROPSHEETUI_INFO* info, LPARAM parameter) {
    if (!info) return DocumentPropertiesQuery(reinterpret_cast<DocumentPropertyHeader*>(parameter));
    if (info->Reason == PROPSHEETUI_REASON_INIT) return InitDocumentSheet(info);
    const auto* header = reinterpret_cast<const DocumentPropertyHeader*>(info->lParamInit);
    return CommonHandler(info, parameter, header ? header->pszPrinterName : nullptr);
}

LONG DevicePropertySheets(PROPSHEETUI_INFO* info, LPARAM parameter) {
    if (!info || !info->lParamInit) {
        SetLastError(ERROR_INVALID_DATA);
        return -1;
    }
    if (info->Reason == PROPSHEETUI_REASON_INIT) return InitDeviceSheet(info);
    const auto* header = reinterpret_cast<const DevicePropertyHeader*>(info->lParamInit);
    return CommonHandler(info, parameter, header->pszPrinterName);
}

}  // namespace kelno
