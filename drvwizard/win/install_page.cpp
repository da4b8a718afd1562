#include "drvwizard/win/install_page.h"

#include <commctrl.h>
#include <prsht.h>

#include "drvwizard/win/wizard_state.h"

namespace kelno {

// Placeholder until the page is built: it keeps the state and offers Back and Next.
INT_PTR CALLBACK InstallPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
            SetWindowLongPtrW(page, GWLP_USERDATA, sheetPage->lParam);
            return TRUE;
        }
        case WM_NOTIFY:
            if (reinterpret_cast<const NMHDR*>(lParam)->code == PSN_SETACTIVE) {
                PropSheet_SetWizButtons(GetParent(page), PSWIZB_BACK | PSWIZB_NEXT);
                return TRUE;
            }
            return FALSE;
        default: return FALSE;
    }
}

}  // namespace kelno
