#include "drvwizard/win/uninstall_request.h"

#include <string_view>

#include "base/text.h"
#include "discovery/port_record.h"
#include "discovery/win/helper.h"

namespace kelno {
namespace {

std::u16string_view View(const wchar_t* text) {
    return text ? std::u16string_view(reinterpret_cast<const char16_t*>(text)) : std::u16string_view();
}

}  // namespace

PrinterInstallEntry MakeUninstallEntry(const wchar_t* printerName, const wchar_t* driverName,
                                       const wchar_t* portName) {
    PrinterInstallEntry entry{};
    SetField(entry.printerName, View(printerName));
    SetField(entry.modelName, View(driverName));
    SetField(entry.portName, View(portName));
    const std::uint16_t kind = SpoolerPortKind(portName);
    entry.portKind = kind == kPortTypeNetwork ? kPortKindStandardTcpIp : kind;
    return entry;
}

}  // namespace kelno
