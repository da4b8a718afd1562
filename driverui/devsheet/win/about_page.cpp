#include "driverui/devsheet/win/about_page.h"

#include "base/win/scoped.h"
#include "base/win/boundary.h"
#include "resources/driverui/resource_ids.h"

namespace kelno {

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);

// The brush of the page's static controls, made at the first use and kept for the life of the
// process (the page may be opened many times).
HBRUSH WhiteBrush() {
    static const HBRUSH brush = CreateSolidBrush(kWhite);
    return brush;
}

void FillWhite(HWND page, HDC dc) {
    RECT client{};
    GetClientRect(page, &client);
    const ScopedGdiObject<HBRUSH> brush(CreateSolidBrush(kWhite));
    if (!brush) return;
    const ScopedSelection selected(dc, brush.get());  // restored before the brush is deleted
    PatBlt(dc, client.left, client.top, client.right - client.left, client.bottom - client.top, PATCOPY);
}

}  // namespace

std::string AboutRightsNoticeAnsi() {
    wchar_t wide[256] = L"";
    const int units =
        MultiByteToWideChar(CP_UTF8, 0, kAboutRightsNoticeUtf8, -1, wide, static_cast<int>(std::size(wide)));
    if (units <= 0) return {};
    // Shorten the text until its ANSI form fits, never splitting a surrogate pair.
    int length = units - 1;
    char ansi[kAboutRightsNoticeBytes] = "";
    while (length > 0) {
        const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
        if (bytes > 0 && bytes < static_cast<int>(kAboutRightsNoticeBytes)) {
            WideCharToMultiByte(CP_ACP, 0, wide, length, ansi, bytes, nullptr, nullptr);
            ansi[bytes] = '\0';
            return ansi;
        }
        --length;
        if (length > 0 && IS_HIGH_SURROGATE(wide[length - 1])) --length;
    }
    return {};
}

namespace {

INT_PTR HandleAboutMessage(HWND page, UINT message, WPARAM wParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetDlgItemTextW(page, IDC_ABOUT_PRODUCT, kAboutProductName);
            SetDlgItemTextW(page, IDC_ABOUT_VERSION, kAboutVersion);
            SetWindowTextA(GetDlgItem(page, IDC_ABOUT_RIGHTS), AboutRightsNoticeAnsi().c_str());
            return FALSE;
        case WM_ERASEBKGND:
            FillWhite(page, reinterpret_cast<HDC>(wParam));
            SetWindowLongPtrW(page, DWLP_MSGRESULT, TRUE);
            return TRUE;
        case WM_CTLCOLORSTATIC:
            SetBkColor(reinterpret_cast<HDC>(wParam), kWhite);
            return reinterpret_cast<INT_PTR>(WhiteBrush());
        default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    return Guarded<INT_PTR>("About page", FALSE, [&] { return HandleAboutMessage(page, message, wParam); });
}

}  // namespace kelno
