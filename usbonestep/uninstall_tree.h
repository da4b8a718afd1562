#pragma once
// The texts of the uninstall dialog's tree: one line per node and item, from the string
// table's formats, with each item's removal status.
#include <string>
#include <string_view>
#include <vector>

#include "usbonestep/uninstall_inventory.h"

namespace kelno {

// The formats of the string table, as loaded (wide-printf conventions, base/wide_printf.h).
struct TreeFormats {
    std::u16string nothingToRemove;  // 105
    std::u16string package;          // 106: name, INF version, INF path, status
    std::u16string driverList;       // 107: the node without INF path
    std::u16string driver;           // 108: name, manufacturer, four version quarters, status
    std::u16string noDriver;         // 109
    std::u16string printer;          // 110: name, port, status
    std::u16string noPrinter;        // 111
    std::u16string removed;          // 112
    std::u16string failed;           // 113: error
    std::u16string folder;           // 116: program folder
};

struct TreeLine {
    int depth = 0;  // 0 the folder, 1 package nodes, 2 drivers, 3 printers
    std::u16string text;
    bool expanded = false;  // package and driver lines are shown open
};

// Longest line kept, in units.
inline constexpr std::size_t kTreeLineChars = 2048;

// The status text of an item: "" while pending, the removed text, or the failure with its code.
std::u16string StatusText(const RemovalStatus& status, const TreeFormats& formats);

// The tree in display order. With no package node the only line is the nothing-to-remove text;
// otherwise the folder line, under it the nodes, their drivers and their queues, with a
// "no driver" / "no printer" line where a level is empty. A malformed format shows as it is,
// never half-formatted; a line longer than kTreeLineChars - 1 units is cut.
std::vector<TreeLine> BuildTreeLines(const Inventory& inventory, const TreeFormats& formats,
                                     std::u16string_view programFolder);

}  // namespace kelno
