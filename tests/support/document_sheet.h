#pragma once
// The printing preferences of a queue run through the common-UI host on one of their pages:
// the sheet opens with a caller DEVMODE (or none), shows the page, hands it to a check, presses
// OK and applies. The DEVMODE written when the sheet opened and the one after Apply come back
// for comparison.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "driverui/core/win/driver_interface.h"
#include "tests/support/common_ui_host.h"

namespace kelno::test {

struct DocumentSheetRun {
    std::vector<BYTE> opened;   // the output DEVMODE written when the sheet opened
    std::vector<BYTE> applied;  // and after Apply
    std::vector<WORD> pages;    // the dialog ids of the pages the sheet added
    std::wstring caption;       // the page's caption
};

// The queue's own DEVMODE (5196 bytes), as DocumentPropertiesW hands it out.
inline std::vector<BYTE> QueueDevmode(const std::wstring& queue) {
    std::vector<BYTE> devmode(5196, 0);
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<wchar_t*>(queue.c_str()), &printer, &defaults)) return {};
    const LONG result = DocumentPropertiesW(nullptr, printer, const_cast<wchar_t*>(queue.c_str()),
                                            reinterpret_cast<DEVMODEW*>(devmode.data()), nullptr, DM_OUT_BUFFER);
    ClosePrinter(printer);
    return result == IDOK ? devmode : std::vector<BYTE>{};
}

template <typename T>
T DevmodeValue(const std::vector<BYTE>& devmode, std::size_t offset) {
    T value{};
    if (offset + sizeof value <= devmode.size()) std::memcpy(&value, devmode.data() + offset, sizeof value);
    return value;
}

template <typename T>
void SetDevmodeValue(std::vector<BYTE>& devmode, std::size_t offset, T value) {
    if (offset + sizeof value <= devmode.size()) std::memcpy(devmode.data() + offset, &value, sizeof value);
}

// The private bytes (from 220) in which two DEVMODEs differ.
inline std::vector<std::size_t> ChangedPrivateBytes(const std::vector<BYTE>& before, const std::vector<BYTE>& after) {
    std::vector<std::size_t> changed;
    for (std::size_t i = 220; i < std::min(before.size(), after.size()); ++i)
        if (before[i] != after[i]) changed.push_back(i);
    return changed;
}

// Opens the printing preferences of a queue with the caller DEVMODE in (none when empty) on the
// page of dialog id, keeps a screenshot, hands the page to check, presses OK and applies.
inline DocumentSheetRun RunDocumentSheetPage(SheetEntry entry, const std::wstring& queue, WORD dialog,
                                             const std::vector<BYTE>& in, const std::wstring& screenshot,
                                             const std::function<void(HWND)>& check) {
    DocumentSheetRun run;
    std::vector<BYTE> input = in;
    std::vector<BYTE> out(5196, 0);
    DocumentPropertyHeader header{};
    header.cbSize = sizeof header;
    header.pszPrinterName = const_cast<wchar_t*>(queue.c_str());
    header.pdmIn = input.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(input.data());
    header.pdmOut = reinterpret_cast<DEVMODEW*>(out.data());
    header.fMode = DM_OUT_BUFFER | (input.empty() ? 0 : DM_IN_BUFFER);
    CommonUiHost host(entry, reinterpret_cast<LPARAM>(&header));
    EXPECT_EQ(host.Init(), 1);
    run.opened = out;
    run.pages = host.pageTemplates();
    const auto found = std::find(run.pages.begin(), run.pages.end(), dialog);
    EXPECT_NE(found, run.pages.end()) << "no page " << dialog;
    if (found == run.pages.end()) {
        host.Destroy();
        return run;
    }
    host.ShowSheet(
        queue, screenshot,
        [&](HWND page) {
            wchar_t caption[64] = L"";
            GetWindowTextW(page, caption, static_cast<int>(std::size(caption)));
            run.caption = caption;
            check(page);
        },
        static_cast<int>(found - run.pages.begin()));
    EXPECT_EQ(host.ApplyNow(), CPSUICB_ACTION_ITEMS_APPLIED);
    run.applied = out;
    EXPECT_EQ(host.Destroy(), 1);
    return run;
}

}  // namespace kelno::test
