#pragma once
// The common property-sheet UI's side of the conversation with a driver's sheet entry
// (DrvDocumentPropertySheets, DrvDevicePropertySheets), played the way the system's compstui
// does, since Wine's CommonPropertySheetUIW cannot take a driver's description: the host hands
// the entry a pfnComPropSheet callback, takes the description and the pages it adds, creates
// the pages with CreatePropertySheetPageW and shows them in a real PropertySheetW.
#include <windows.h>
#include <commctrl.h>
#include <compstui.h>
#include <prsht.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace kelno::test {

using SheetEntry = LONG(WINAPI*)(PPROPSHEETUI_INFO, LPARAM);

// Lets the messages of this thread's windows through for a while.
void Pump(DWORD milliseconds);

class CommonUiHost {
public:
    // What ADD_PCOMPROPSHEETUIW returns for an accepted description.
    static constexpr LONG_PTR kDescriptionHandle = 0x4001;

    CommonUiHost(SheetEntry entry, LPARAM header);
    ~CommonUiHost();
    CommonUiHost(const CommonUiHost&) = delete;
    CommonUiHost& operator=(const CommonUiHost&) = delete;

    // The entry's reasons.
    LONG Init();
    LONG GetInfoHeader(PROPSHEETUI_INFO_HEADER* header);
    LONG SetResult(HANDLE handle, LRESULT result);
    LONG Destroy();

    // The description's callback after the user pressed OK or Apply.
    LONG ApplyNow();

    // Shows the pages in a modeless property sheet, selects a page (by index; -1 the last),
    // keeps a screenshot (artifact file name) and hands the page to check; then presses OK and
    // waits for the sheet to close.
    void ShowSheet(const std::wstring& title, const std::wstring& screenshot, const std::function<void(HWND)>& check,
                   int page = -1);

    PROPSHEETUI_INFO& info() { return info_; }
    const COMPROPSHEETUI* description() const { return description_; }
    int descriptionsAdded() const { return descriptionsAdded_; }
    std::size_t pageCount() const { return pageTemplates_.size(); }
    const std::vector<WORD>& pageTemplates() const { return pageTemplates_; }
    const std::vector<DWORD>& pageSizes() const { return pageSizes_; }
    ULONG_PTR applyResult() const { return applyResult_; }
    // From now on the host refuses descriptions (ADD_PCOMPROPSHEETUIW answers 0).
    void RefuseDescriptions() { refuseDescriptions_ = true; }

private:
    static LONG_PTR CALLBACK Callback(HANDLE sheet, UINT function, LPARAM first, LPARAM second);

    SheetEntry entry_;
    PROPSHEETUI_INFO info_{};
    bool initialised_ = false;
    bool refuseDescriptions_ = false;
    const COMPROPSHEETUI* description_ = nullptr;
    int descriptionsAdded_ = 0;
    std::vector<WORD> pageTemplates_;
    std::vector<DWORD> pageSizes_;
    std::vector<HPROPSHEETPAGE> unusedPages_;
    ULONG_PTR applyResult_ = 0;
};

}  // namespace kelno::test
