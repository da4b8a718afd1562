#pragma once
// The uninstaller's inventory written as one line, so a test states a whole tree at once:
//   package nodes "name{...}" (the node without INF path as "-{...}"), driver items
//   "driver[...]", printer items by name; a status follows an item as "+" (removed) or
//   "!<error>" (failed). Example: "kelnov6.inf{Tavolen MX-410[Q1,Q2+]},-{Other!5[]}"
// Header-only: host and Windows tests use it.
#include <string>

#include "usbonestep/uninstall_inventory.h"

namespace kelno::test {

inline std::string OutlineText(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

inline std::string OutlineStatus(const RemovalStatus& status) {
    switch (status.state) {
        case RemovalState::pending: return "";
        case RemovalState::removed: return "+";
        case RemovalState::failed: return "!" + std::to_string(status.error);
    }
    return "?";
}

inline std::string Outline(const Inventory& inventory) {
    std::string out;
    for (const PackageNode& node : inventory.packages) {
        if (!out.empty()) out += ",";
        out += node.infPath.empty() ? "-" : OutlineText(node.name);
        out += OutlineStatus(node.status) + "{";
        for (std::size_t d = 0; d < node.drivers.size(); ++d) {
            const DriverItem& driver = node.drivers[d];
            if (d) out += ",";
            out += OutlineText(driver.driver.name) + OutlineStatus(driver.status) + "[";
            for (std::size_t p = 0; p < driver.printers.size(); ++p) {
                if (p) out += ",";
                out += OutlineText(driver.printers[p].printer.name) + OutlineStatus(driver.printers[p].status);
            }
            out += "]";
        }
        out += "}";
    }
    return out;
}

}  // namespace kelno::test
