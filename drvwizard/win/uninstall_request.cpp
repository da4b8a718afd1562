#include "drvwizard/win/uninstall_request.h"

#include <string_view>

#include "base/text.h"
#include "base/win/wide_text.h"
#include "discovery/port_record.h"
#include "discovery/win/helper.h"

namespace kelno {

PrinterInstallEntry MakeUninstallEntry(const wchar_t* printerName, const wchar_t* driverName, const wchar_t* portName) {
    PrinterInstallEntry entry{};
    SetField(entry.printerName, U16View(printerName));
    SetField(entry.modelName, U16View(driverName));
    SetField(entry.portName, U16View(portName));
    const std::uint16_t kind = SpoolerPortKind(portName);
    entry.portKind = kind == kPortTypeNetwork ? kPortKindStandardTcpIp : kind;
    return entry;
}

}  // namespace kelno
