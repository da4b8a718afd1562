#include "engine/win/upgrade_readd.h"

#include <winspool.h>
#include <strsafe.h>

#include <cstdarg>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "common/win/debug_output.h"
#include "engine/win/printer_install.h"
#include "engine/queue_name.h"
#include "common/win/seams.h"
#include "engine/win/staging.h"

namespace kelno {
namespace {

wchar_t* Text(const wchar_t* text) { return const_cast<wchar_t*>(text); }

void SetStatus(UpgradePrinterRecord& record, std::int32_t status, const wchar_t* format, ...) {
    record.status = status;
    va_list args;
    va_start(args, format);
    StringCchVPrintfW(record.statusText, std::size(record.statusText), format, args);
    va_end(args);
}

// Whether the native environment lists a driver of this name, compared case-insensitively.
bool UpgradeDriverListed(const wchar_t* driverName) {
    DWORD needed = 0, returned = 0;
    if (seams::Spooler().enumPrinterDriversW(nullptr, nullptr, 2, nullptr, 0, &needed, &returned) || needed == 0)
        return false;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    std::vector<BYTE> buffer(needed);
    if (!seams::Spooler().enumPrinterDriversW(nullptr, nullptr, 2, buffer.data(), needed, &needed, &returned))
        return false;
    const auto* drivers = reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i)
        if (drivers[i].pName && CompareStringOrdinal(drivers[i].pName, -1, driverName, -1, TRUE) == CSTR_EQUAL)
            return true;
    return false;
}

// Names of all local and connected queues.
std::set<std::u16string> QueueNames() {
    std::set<std::u16string> names;
    const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0, returned = 0;
    if (EnumPrintersW(flags, nullptr, 2, nullptr, 0, &needed, &returned) || needed == 0) return names;
    std::vector<BYTE> buffer(needed);
    if (!EnumPrintersW(flags, nullptr, 2, buffer.data(), needed, &needed, &returned)) return names;
    const auto* printers = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < returned; ++i)
        if (printers[i].pPrinterName) names.insert(U16String(printers[i].pPrinterName));
    return names;
}

}  // namespace

bool AddPrinterDriverForUpgrade(const UpgradePrinterRecord& record) {
    StageUpgradeDriverFile(kRenderDll);
    StageUpgradeDriverFile(kUiDll);
    StageUpgradeDataFile(kDataFile);
    StageUpgradeDriverFile(kMonitorDll);

    MONITOR_INFO_2W monitor{};
    monitor.pName = Text(kLanguageMonitorName);
    monitor.pDLLName = Text(kMonitorDll);
    if (!seams::Spooler().addMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&monitor))) {
        const DWORD error = GetLastError();
        if (error != ERROR_PRINT_MONITOR_ALREADY_INSTALLED)
            DebugOutF(L"Failed to install printer language monitor %ws, error: %u", kLanguageMonitorName,
                      static_cast<unsigned>(error));
    }

    const std::wstring hardwareId = FieldString(record.hardwareId);
    DriverInfo8 driver;
    FillDriverInfo8(driver, kUpgradeDriverName, true);
    driver.info.pszHardwareID = Text(hardwareId.c_str());
    driver.info.pszPrintProcessor = nullptr;
    return seams::Spooler().addPrinterDriverW(nullptr, 8, reinterpret_cast<LPBYTE>(&driver.info)) != FALSE;
}

bool AddPrinterForUpgrade(UpgradePrinterRecord& record) {
    SetStatus(record, kUpgradeStatusWorking, L"Adding the printer");
    if (!UpgradeDriverListed(kUpgradeDriverName) && !AddPrinterDriverForUpgrade(record)) {
        SetStatus(record, kUpgradeStatusFailed, L"Adding the driver %ws failed, error: %u", kUpgradeDriverName,
                  static_cast<unsigned>(GetLastError()));
        return false;
    }

    const std::set<std::u16string> taken = QueueNames();
    const std::u16string name = UpgradeQueueName(U16Ptr(kUpgradeDriverName), [&taken](std::u16string_view candidate) {
        return taken.count(std::u16string(candidate)) != 0;
    });
    const std::wstring queueName = WideString(name);
    const std::wstring portName = FieldString(record.portName);

    PRINTER_INFO_2W queue{};
    queue.pPrinterName = Text(queueName.c_str());
    queue.pPortName = Text(portName.c_str());
    queue.pDriverName = Text(kUpgradeDriverName);
    queue.pPrintProcessor = Text(kQueuePrintProcessor);
    queue.pDatatype = Text(kRawDatatype);
    queue.Attributes = PRINTER_ATTRIBUTE_QUEUED;
    ScopedPrinter printer(seams::Spooler().addPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&queue)));
    if (!printer) {
        SetStatus(record, kUpgradeStatusFailed, L"AddPrinter %ws failed, error: %u", queueName.c_str(),
                  static_cast<unsigned>(GetLastError()));
        return false;
    }
    printer.reset();
    StringCchCopyW(record.printerName, std::size(record.printerName), queueName.c_str());
    SetStatus(record, kUpgradeStatusReAdded, L"Added as %ws", queueName.c_str());
    return true;
}

}  // namespace kelno
