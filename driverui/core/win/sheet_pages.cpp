#include "driverui/core/win/sheet_pages.h"

#include <array>

namespace kelno {
namespace {

struct PageList {
    std::array<SheetPage, kMaxSheetPages> pages{};
    std::size_t count = 0;
};

// Written only while the DLL is attached (loader lock held), read afterwards.
PageList g_lists[2];

PageList& ListOf(Sheet sheet) { return g_lists[sheet == Sheet::printingPreferences ? 0 : 1]; }

}  // namespace

bool RegisterSheetPage(Sheet sheet, const SheetPage& page) {
    PageList& list = ListOf(sheet);
    if (list.count == list.pages.size()) return false;
    list.pages[list.count++] = page;
    return true;
}

std::span<const SheetPage> SheetPages(Sheet sheet) {
    const PageList& list = ListOf(sheet);
    return {list.pages.data(), list.count};
}

}  // namespace kelno
