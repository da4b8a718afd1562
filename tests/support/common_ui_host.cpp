#include "tests/support/common_ui_host.h"

#include <gtest/gtest.h>

#include "tests/support/wine_test_support.h"

namespace kelno::test {

void Pump(DWORD milliseconds) {
    const DWORD end = GetTickCount() + milliseconds;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while (GetTickCount() < end);
}

CommonUiHost::CommonUiHost(SheetEntry entry, LPARAM header) : entry_(entry) {
    info_.cbSize = sizeof info_;
    info_.Version = PROPSHEETUI_INFO_VERSION;
    info_.hComPropSheet = reinterpret_cast<HANDLE>(this);
    info_.pfnComPropSheet = &CommonUiHost::Callback;
    info_.lParamInit = header;
}

CommonUiHost::~CommonUiHost() {
    if (initialised_) Destroy();
    for (HPROPSHEETPAGE page : unusedPages_) DestroyPropertySheetPage(page);
}

LONG CommonUiHost::Init() {
    info_.Reason = PROPSHEETUI_REASON_INIT;
    const LONG result = entry_(&info_, 0);
    initialised_ = true;
    return result;
}

LONG CommonUiHost::GetInfoHeader(PROPSHEETUI_INFO_HEADER* header) {
    info_.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
    return entry_(&info_, reinterpret_cast<LPARAM>(header));
}

LONG CommonUiHost::SetResult(HANDLE handle, LRESULT result) {
    SETRESULT_INFO setResult{sizeof setResult, 0, handle, result};
    info_.Reason = PROPSHEETUI_REASON_SET_RESULT;
    return entry_(&info_, reinterpret_cast<LPARAM>(&setResult));
}

LONG CommonUiHost::Destroy() {
    info_.Reason = PROPSHEETUI_REASON_DESTROY;
    initialised_ = false;
    return entry_(&info_, 0);
}

LONG CommonUiHost::ApplyNow() {
    CPSUICBPARAM parameter{};
    parameter.cbSize = sizeof parameter;
    parameter.Reason = CPSUICB_REASON_APPLYNOW;
    parameter.pOptItem = description_->pOptItem;
    parameter.cOptItem = description_->cOptItem;
    parameter.UserData = description_->UserData;
    const LONG action = description_->pfnCallBack(&parameter);
    applyResult_ = parameter.Result;
    return action;
}

void CommonUiHost::ShowSheet(const std::wstring& title, const std::wstring& screenshot,
                             const std::function<void(HWND)>& check, int page) {
    ASSERT_FALSE(unusedPages_.empty());
    PROPSHEETHEADERW sheet{};
    sheet.dwSize = sizeof sheet;
    sheet.dwFlags = PSH_MODELESS | PSH_PROPTITLE;
    sheet.pszCaption = title.c_str();
    sheet.nPages = static_cast<UINT>(unusedPages_.size());
    sheet.phpage = unusedPages_.data();
    HWND window = reinterpret_cast<HWND>(PropertySheetW(&sheet));
    ASSERT_NE(window, nullptr);
    unusedPages_.clear();  // the sheet owns them now
    ShowWindow(window, SW_SHOW);
    const UINT selected = page < 0 ? sheet.nPages - 1 : static_cast<UINT>(page);
    EXPECT_TRUE(PropSheet_SetCurSel(window, nullptr, selected));
    Pump(600);
    EXPECT_TRUE(SaveScreenshot(window, JoinPath(ArtifactFolder(), screenshot)));
    check(PropSheet_GetCurrentPageHwnd(window));
    PropSheet_PressButton(window, PSBTN_OK);
    for (int i = 0; i < 200 && PropSheet_GetCurrentPageHwnd(window); ++i) Pump(10);
    EXPECT_EQ(PropSheet_GetCurrentPageHwnd(window), nullptr) << "the sheet closes on OK";
    DestroyWindow(window);
}

LONG_PTR CALLBACK CommonUiHost::Callback(HANDLE sheet, UINT function, LPARAM first, LPARAM second) {
    auto* host = reinterpret_cast<CommonUiHost*>(sheet);
    switch (function) {
        case CPSFUNC_ADD_PCOMPROPSHEETUIW: {
            const auto* description = reinterpret_cast<const COMPROPSHEETUI*>(first);
            if (host->refuseDescriptions_ || !description || description->cbSize != sizeof(COMPROPSHEETUI)) return 0;
            host->description_ = description;
            ++host->descriptionsAdded_;
            // This host draws no option-item pages of its own.
            if (second) *reinterpret_cast<DWORD*>(second) = 0;
            return kDescriptionHandle;
        }
        case CPSFUNC_ADD_PROPSHEETPAGEW: {
            const auto* page = reinterpret_cast<const PROPSHEETPAGEW*>(first);
            if (!page) return 0;
            host->pageTemplates_.push_back(LOWORD(reinterpret_cast<ULONG_PTR>(page->pszTemplate)));
            host->pageSizes_.push_back(page->dwSize);
            HPROPSHEETPAGE created = CreatePropertySheetPageW(page);
            if (!created) return 0;
            host->unusedPages_.push_back(created);
            return reinterpret_cast<LONG_PTR>(created);
        }
        case CPSFUNC_ADD_HPROPSHEETPAGE:
            if (!first) return 0;
            host->unusedPages_.push_back(reinterpret_cast<HPROPSHEETPAGE>(first));
            return first;
        case CPSFUNC_SET_RESULT: return 1;
        default: return 0;
    }
}

}  // namespace kelno::test
