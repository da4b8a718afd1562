#pragma once
// What the uninstaller finds of this package: driver packages in the driver store, the printer
// drivers whose render DLL is the package's, and the print queues on those drivers, grouped as a
// three-level tree (package node, driver item, printer item). Every item carries its removal
// status. The Win32 side reads the registry and the spooler into the Found* records; the
// grouping, and every rule that decides what belongs to the package, is here.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelno {

// Bounds of the package node's texts, in units, terminator included (the texts kept are one
// unit shorter).
inline constexpr std::size_t kPackageNameChars = 50;
inline constexpr std::size_t kPackageInfPathChars = 1024;
inline constexpr std::size_t kInfVersionChars = 50;

// The driver-store INF and the render DLL that mark this package's packages and drivers.
inline constexpr char16_t kPackageInfName[] = u"kelnov6.inf";
inline constexpr char16_t kPackageRenderDll[] = u"kelnodrv6.dll";

// The processor-architecture name of the driver store's package list ("Windows x64", ...);
// empty for an architecture that has none (no package inventory then).
std::u16string_view DriverStoreArchitectureName(std::uint16_t processorArchitecture);
// HKEY_LOCAL_MACHINE subkey of the package list of that architecture name.
std::u16string DriverStorePackagesKey(std::u16string_view architectureName);

// Whether a driver-store path names this package's INF, and whether a driver path names its
// render DLL. Paths are compared without regard to ASCII case, as Windows compares them.
bool IsPackageInfPath(std::u16string_view path);
bool IsPackageDriverPath(std::u16string_view path);

// The file name of a driver-store path: the text after its last backslash.
std::u16string_view PackageNameOfInfPath(std::u16string_view infPath);

// ---- what was read ---------------------------------------------------------------------------

struct FoundPackage {
    std::u16string infPath;     // the driver-store path of the INF
    std::u16string infVersion;  // "DriverVer" of the INF's Version section, "" when unread
};

// A driver as the spooler lists it (DRIVER_INFO_8).
struct FoundDriver {
    std::u16string name, environment, manufacturer, monitor, infPath, driverPath;
    std::uint64_t version = 0;  // dwlDriverVersion
};

// A queue as the spooler lists it (PRINTER_INFO_2).
struct FoundPrinter {
    std::u16string name, port, driverName;
};

// ---- the tree --------------------------------------------------------------------------------

enum class RemovalState : std::uint8_t { pending, removed, failed };

struct RemovalStatus {
    RemovalState state = RemovalState::pending;
    std::int32_t error = 0;  // the OS error or HRESULT of a failed removal
};

struct PrinterItem {
    FoundPrinter printer;
    RemovalStatus status;
    bool removed() const { return status.state == RemovalState::removed; }
};

struct DriverItem {
    FoundDriver driver;
    std::vector<PrinterItem> printers;
    RemovalStatus status;
    bool removed() const { return status.state == RemovalState::removed; }
    std::size_t RemainingPrinters() const;
};

struct PackageNode {
    std::u16string name;        // cut to kPackageNameChars - 1
    std::u16string infPath;     // cut to kPackageInfPathChars - 1; empty: drivers found without a package
    std::u16string infVersion;  // cut to kInfVersionChars - 1
    std::vector<DriverItem> drivers;
    RemovalStatus status;
    bool removed() const { return status.state == RemovalState::removed; }
    std::size_t RemainingDrivers() const;
};

struct Inventory {
    std::vector<PackageNode> packages;  // the node without INF path, when there is one, is last
    // False when a list the inventory needs could not be read (the spooler's drivers or queues):
    // what is shown may then be short of what is installed.
    bool complete = true;
};

// Groups what was read:
// - every package whose path names the package INF becomes a node, in the order read;
// - every driver whose path names the render DLL is attached under every node; when there is
//   no node yet and the driver names an INF, a node for that INF is made first;
// - drivers that could be attached nowhere are collected under one extra node without INF path;
// - every queue whose driver name equals (exactly) a driver item's name is attached under it,
//   so it may appear under several nodes.
Inventory BuildInventory(const std::vector<FoundPackage>& packages, const std::vector<FoundDriver>& drivers,
                         const std::vector<FoundPrinter>& printers);

// What the installer asks at start: whether the first node holds at least one driver.
bool HasDriverUnderFirstNode(const Inventory& inventory);

}  // namespace kelno
