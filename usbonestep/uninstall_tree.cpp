#include "usbonestep/uninstall_tree.h"

#include <cstdarg>

#include "base/wide_printf.h"
#include "engine/driver_version.h"

namespace kelno {
namespace {

// The format with its arguments; the format itself when it does not fit them.
std::u16string Format(const char16_t* format, ...) {
    char16_t line[kTreeLineChars];
    va_list args;
    va_start(args, format);
    const int length = FormatWideCut(line, kTreeLineChars, format, args);
    va_end(args);
    if (length < 0) return format;
    return std::u16string(line, static_cast<std::size_t>(length));
}

}  // namespace

std::u16string StatusText(const RemovalStatus& status, const TreeFormats& formats) {
    switch (status.state) {
        case RemovalState::pending: return {};
        case RemovalState::removed: return formats.removed;
        case RemovalState::failed: return Format(formats.failed.c_str(), static_cast<int>(status.error));
    }
    return {};
}

std::vector<TreeLine> BuildTreeLines(const Inventory& inventory, const TreeFormats& formats,
                                     std::u16string_view programFolder) {
    std::vector<TreeLine> lines;
    if (inventory.packages.empty()) {
        lines.push_back({0, formats.nothingToRemove, false});
        return lines;
    }
    const std::u16string folder(programFolder);
    lines.push_back({0, Format(formats.folder.c_str(), folder.c_str()), true});
    for (const PackageNode& node : inventory.packages) {
        if (node.infPath.empty()) {
            lines.push_back({1, formats.driverList, true});
        } else {
            lines.push_back({1,
                             Format(formats.package.c_str(), node.name.c_str(), node.infVersion.c_str(),
                                    node.infPath.c_str(), StatusText(node.status, formats).c_str()),
                             true});
        }
        if (node.drivers.empty()) lines.push_back({2, formats.noDriver, false});
        for (const DriverItem& item : node.drivers) {
            const DriverVersionQuarters q = SplitDriverVersion(item.driver.version);
            lines.push_back({2,
                             Format(formats.driver.c_str(), item.driver.name.c_str(), item.driver.manufacturer.c_str(),
                                    static_cast<int>(q.q[0]), static_cast<int>(q.q[1]), static_cast<int>(q.q[2]),
                                    static_cast<int>(q.q[3]), StatusText(item.status, formats).c_str()),
                             true});
            if (item.printers.empty()) lines.push_back({3, formats.noPrinter, false});
            for (const PrinterItem& printer : item.printers)
                lines.push_back({3,
                                 Format(formats.printer.c_str(), printer.printer.name.c_str(),
                                        printer.printer.port.c_str(), StatusText(printer.status, formats).c_str()),
                                 false});
        }
    }
    return lines;
}

}  // namespace kelno
