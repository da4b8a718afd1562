#include "drvwizard/win/wizard_sheet.h"

#include <commctrl.h>
#include <prsht.h>

#include <iterator>

#include "base/wide_printf.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "common/win/log.h"
#include "drvwizard/win/install_page.h"
#include "drvwizard/win/wizard_pages.h"
#include "drvwizard/wizard_flow.h"
#include "resources/drvwizard/resource_ids.h"

namespace kelno {
namespace {

constexpr wchar_t kProductName[] = L"Tavolen printer driver for windows";
constexpr wchar_t kProductVersion[] = L"2026.09.15.01";
constexpr wchar_t kProductDate[] = L"09/15/2026";

// The page procedures in sheet order (kWizardPageOrder).
constexpr DLGPROC kPageProcs[] = {AgreementPageProc,  ModePageProc,      InstallPageProc,
                                  DriverListPageProc, UninstallPageProc, ResultPageProc};
static_assert(std::size(kPageProcs) == std::size(kWizardPageOrder));

}  // namespace

void FormatWizardTitle(wchar_t* out, int capacity) {
    if (!out || capacity <= 0) return;
    out[0] = 0;
    wchar_t format[60];
    LoadWizardText(IDS_TITLE_FORMAT, format, static_cast<int>(std::size(format)));
    if (FormatWideArgs(U16Ptr(out), static_cast<std::size_t>(capacity), U16Ptr(format), kProductName, kProductVersion,
                       kProductDate) < 0)
        out[0] = 0;
}

INT_PTR RunWizardSheet(HINSTANCE instance, WizardState& state) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    wchar_t title[150];
    FormatWizardTitle(title, static_cast<int>(std::size(title)));

    HPROPSHEETPAGE pages[std::size(kWizardPageOrder)] = {};
    for (std::size_t i = 0; i < std::size(kWizardPageOrder); ++i) {
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof(page);
        page.dwFlags = PSP_USEHEADERSUBTITLE | PSP_USEICONID | PSP_USEHICON;
        page.hInstance = instance;
        page.pszTemplate = MAKEINTRESOURCEW(kWizardPageOrder[i]);
        page.pszIcon = MAKEINTRESOURCEW(IDI_WIZARD_PAGE);
        page.pfnDlgProc = kPageProcs[i];
        page.lParam = reinterpret_cast<LPARAM>(&state);
        page.pszHeaderSubTitle = title;
        pages[i] = CreatePropertySheetPageW(&page);
        if (!pages[i]) {
            KELNO_LOG_ERROR("wizard page {} could not be created: error={}", kWizardPageOrder[i], GetLastError());
            for (std::size_t made = 0; made < i; ++made) DestroyPropertySheetPage(pages[made]);
            return -1;
        }
    }

    const bool supported = SupportedQueueInstalled();
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_WIZARD97 | PSH_HEADER | PSH_WATERMARK | PSH_STRETCHWATERMARK | PSH_USEHICON;
    header.hwndParent = nullptr;
    header.hInstance = instance;
    header.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_WIZARD));
    header.pszbmHeader = MAKEINTRESOURCEW(IDB_WIZARD_HEADER);
    header.nPages = static_cast<UINT>(std::size(pages));
    header.nStartPage = static_cast<UINT>(StartPageIndex(supported));
    header.phpage = pages;
    KELNO_LOG_INFO("wizard starts: startPage={} supportedQueue={}", header.nStartPage, supported);

    const ScopedModule richEdit(LoadLibraryW(L"riched20.dll"));
    const INT_PTR result = PropertySheetW(&header);
    KELNO_LOG_INFO("wizard closed: result={}", static_cast<long long>(result));
    return result;
}

}  // namespace kelno
