#include "usbonestep/uninstall_inventory.h"

#include <algorithm>

#include "base/text.h"

namespace kelno {
namespace {

constexpr std::u16string_view kPackagesKeyHead =
    u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\PackageInstallation\\";
constexpr std::u16string_view kPackagesKeyTail = u"\\DriverPackages";

bool ContainsIgnoringAsciiCase(std::u16string_view text, std::u16string_view part) {
    return AsciiLower(text).find(AsciiLower(part)) != std::u16string::npos;
}

std::u16string Cut(std::u16string_view text, std::size_t capacity) {
    return std::u16string(text.substr(0, capacity - 1));
}

PackageNode NodeForInf(std::u16string_view infPath, std::u16string_view infVersion) {
    PackageNode node;
    node.infPath = Cut(infPath, kPackageInfPathChars);
    node.name = Cut(PackageNameOfInfPath(node.infPath), kPackageNameChars);
    node.infVersion = Cut(infVersion, kInfVersionChars);
    return node;
}

DriverItem ItemFor(const FoundDriver& driver, const std::vector<FoundPrinter>& printers) {
    DriverItem item{driver, {}, {}};
    for (const FoundPrinter& printer : printers)
        if (printer.driverName == driver.name) item.printers.push_back({printer, {}});
    return item;
}

}  // namespace

std::u16string_view DriverStoreArchitectureName(std::uint16_t processorArchitecture) {
    switch (processorArchitecture) {
        case 0: return u"Windows NT x86";
        case 5: return u"Windows ARM";
        case 9: return u"Windows x64";
        case 12: return u"Windows ARM64";
        default: return {};
    }
}

std::u16string DriverStorePackagesKey(std::u16string_view architectureName) {
    std::u16string key(kPackagesKeyHead);
    key += architectureName;
    key += kPackagesKeyTail;
    return key;
}

bool IsPackageInfPath(std::u16string_view path) { return ContainsIgnoringAsciiCase(path, kPackageInfName); }

bool IsPackageDriverPath(std::u16string_view path) { return ContainsIgnoringAsciiCase(path, kPackageRenderDll); }

std::u16string_view PackageNameOfInfPath(std::u16string_view infPath) {
    const std::size_t slash = infPath.rfind(u'\\');
    return slash == std::u16string_view::npos ? infPath : infPath.substr(slash + 1);
}

std::size_t DriverItem::RemainingPrinters() const {
    return static_cast<std::size_t>(
        std::count_if(printers.begin(), printers.end(), [](const PrinterItem& p) { return !p.removed(); }));
}

std::size_t PackageNode::RemainingDrivers() const {
    return static_cast<std::size_t>(
        std::count_if(drivers.begin(), drivers.end(), [](const DriverItem& d) { return !d.removed(); }));
}

Inventory BuildInventory(const std::vector<FoundPackage>& packages, const std::vector<FoundDriver>& drivers,
                         const std::vector<FoundPrinter>& printers) {
    Inventory inventory;
    for (const FoundPackage& package : packages)
        if (IsPackageInfPath(package.infPath))
            inventory.packages.push_back(NodeForInf(package.infPath, package.infVersion));

    PackageNode unpackaged;  // drivers found without a package
    for (const FoundDriver& driver : drivers) {
        if (!IsPackageDriverPath(driver.driverPath)) continue;
        if (inventory.packages.empty() && !driver.infPath.empty())
            inventory.packages.push_back(NodeForInf(driver.infPath, u""));
        if (inventory.packages.empty()) {
            unpackaged.drivers.push_back(ItemFor(driver, printers));
            continue;
        }
        for (PackageNode& node : inventory.packages) node.drivers.push_back(ItemFor(driver, printers));
    }
    if (!unpackaged.drivers.empty()) inventory.packages.push_back(std::move(unpackaged));
    return inventory;
}

bool HasDriverUnderFirstNode(const Inventory& inventory) {
    return !inventory.packages.empty() && !inventory.packages.front().drivers.empty();
}

}  // namespace kelno
