#include "driverui/devsheet/printer_settings.h"

namespace kelno {

std::uint32_t WithPageFlags(std::uint32_t flags, bool record, bool lock) {
    flags &= ~(kRecordPrinterCodeFlag | kLockDriverSettingsFlag);
    if (record) flags |= kRecordPrinterCodeFlag;
    if (lock) flags |= kLockDriverSettingsFlag;
    return flags;
}

bool SameAsStored(const PrinterSettingsValues& shown, std::uint32_t flags, std::u16string_view folder,
                  std::uint32_t measureUnit) {
    return shown.folder == folder && shown.recordPrinterCode == ((flags & kRecordPrinterCodeFlag) != 0) &&
           shown.lockDriverSettings == ((flags & kLockDriverSettingsFlag) != 0) && shown.unit == measureUnit;
}

std::u16string DefaultLogFolder(std::u16string_view printerName) {
    std::u16string folder = u"C:\\Printer Log\\";
    folder += printerName;
    if (folder.size() > kPathUnits - 1) folder.resize(kPathUnits - 1);
    return folder;
}

std::optional<std::u16string> JoinPath(std::u16string_view folder, std::u16string_view name) {
    if (folder.size() + 1 + name.size() + 1 > kPathUnits) return std::nullopt;
    std::u16string path(folder);
    path += u'\\';
    path += name;
    return path;
}

std::optional<std::u16string> NotepadCommandLine(std::u16string_view windowsDirectory, std::u16string_view file,
                                                 std::size_t capacity) {
    std::u16string line(windowsDirectory);
    line += u"\\notepad.exe \"";
    line += file;
    line += u'"';
    if (line.size() + 1 > capacity) return std::nullopt;
    return line;
}

}  // namespace kelno
