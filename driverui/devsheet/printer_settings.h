#pragma once
// The Printer Settings page's portable rules: its two bits of "PPDataFlags", the default log
// folder, the comparison that decides whether the page is changed, and the paths and the
// command line built from the log folder and the entries of its file list.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelno {

// The page's bits of "PPDataFlags"; every other bit belongs to other settings and is kept.
inline constexpr std::uint32_t kRecordPrinterCodeFlag = 8;
inline constexpr std::uint32_t kLockDriverSettingsFlag = 16;

// Paths are limited to 260 units with their terminator.
inline constexpr std::size_t kPathUnits = 260;

// flags with bit 3 set from record and bit 4 from lock, the other bits unchanged.
std::uint32_t WithPageFlags(std::uint32_t flags, bool record, bool lock);

// What the page's controls show: the two check boxes, the folder text and the unit selection.
struct PrinterSettingsValues {
    bool recordPrinterCode = false;
    bool lockDriverSettings = false;
    std::u16string folder;
    std::uint16_t unit = 0;
};

// True when the controls show exactly what the context holds.
bool SameAsStored(const PrinterSettingsValues& shown, std::uint32_t flags, std::u16string_view folder,
                  std::uint32_t measureUnit);

// The folder shown when the printer has none: "C:\Printer Log\" and the printer name, cut to fit
// 260 units.
std::u16string DefaultLogFolder(std::u16string_view printerName);

// "<folder>\<name>", or nothing when it does not fit kPathUnits with its terminator (a cut path
// would name another file).
std::optional<std::u16string> JoinPath(std::u16string_view folder, std::u16string_view name);

// The command line that opens a file in Notepad: "<windows>\notepad.exe "<file>"", or nothing
// when it does not fit capacity units with its terminator.
std::optional<std::u16string> NotepadCommandLine(std::u16string_view windowsDirectory, std::u16string_view file,
                                                 std::size_t capacity);

}  // namespace kelno
