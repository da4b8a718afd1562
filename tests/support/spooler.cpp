#include "tests/support/spooler.h"

#include <algorithm>

#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

std::wstring Str(const wchar_t* text) { return text ? text : L""; }

// The records of an Enum* call of the spooler (size query, then the call).
template <typename Enumerate>
std::vector<BYTE> Enumerated(Enumerate enumerate, DWORD* count) {
    DWORD needed = 0;
    *count = 0;
    enumerate(nullptr, 0, &needed, count);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !enumerate(buffer.data(), needed, &needed, count)) {
        *count = 0;
        buffer.clear();
    }
    return buffer;
}

std::vector<BYTE> LocalPrinters(DWORD* count) {
    return Enumerated(
        [](BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
            return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, buffer, size, needed, returned);
        },
        count);
}

}  // namespace

std::wstring DriverDirectory() {
    wchar_t dir[MAX_PATH] = L"";
    DWORD needed = 0;
    GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(dir), sizeof dir, &needed);
    return dir;
}

std::wstring InstalledDriverFile(const std::wstring& file) { return JoinPath(JoinPath(DriverDirectory(), L"3"), file); }

std::wstring SystemDirectory() {
    wchar_t dir[MAX_PATH] = L"";
    GetSystemDirectoryW(dir, MAX_PATH);
    return dir;
}

bool StagePackageFile(const std::wstring& relative, const std::wstring& name) {
    const std::wstring from = JoinPath(PackageFolderPath(), relative);
    return CopyFileW(from.c_str(), JoinPath(DriverDirectory(), name).c_str(), FALSE) != FALSE;
}

bool StagePackageDriverFiles() {
    return StagePackageFile(L"amd64\\kelnodrv6ui.dll", L"kelnodrv6ui.dll") &&
           StagePackageFile(L"amd64\\kelnodrv6.dll", L"kelnodrv6.dll") &&
           StagePackageFile(L"dat\\kelnodrv6.dat", L"kelnodrv6.dat");
}

bool AddDriver(const std::wstring& name, const std::wstring& configFile, const std::wstring& renderFile,
               const std::wstring& dataFile) {
    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = const_cast<wchar_t*>(name.c_str());
    info.pDriverPath = const_cast<wchar_t*>(renderFile.c_str());
    info.pDataFile = const_cast<wchar_t*>(dataFile.c_str());
    info.pConfigFile = const_cast<wchar_t*>(configFile.c_str());
    info.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
    return AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info)) != FALSE;
}

void DeleteDriver(const std::wstring& name) {
    DeletePrinterDriverW(nullptr, nullptr, const_cast<wchar_t*>(name.c_str()));
}

std::vector<std::wstring> DriverNames() {
    DWORD count = 0;
    const std::vector<BYTE> buffer = Enumerated(
        [](BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
            return EnumPrinterDriversW(nullptr, nullptr, 3, buffer, size, needed, returned);
        },
        &count);
    const auto* drivers = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < count; ++i) names.push_back(Str(drivers[i].pName));
    return names;
}

bool DriverInstalled(const std::wstring& name) {
    const std::vector<std::wstring> names = DriverNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

void PrintTo(const DriverSnapshot& s, std::ostream* os) {
    *os << (s.found ? "" : "(not found) ") << s.version << " "
        << Narrow(s.driverPath + L", " + s.dataFile + L", " + s.configFile + L", [" + s.dependentFiles + L"], " +
                  s.monitor + L", " + s.datatype + L", " + s.provider + L", " + s.printProcessor + L", " + s.hardwareId)
        << ", " << std::hex << s.driverVersion << ", " << s.driverDate << std::dec;
}

DWORDLONG FileTimeValue(const FILETIME& time) { return (DWORDLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime; }

DriverSnapshot Snapshot(const DRIVER_INFO_8W& d) {
    std::wstring dependent;
    for (const wchar_t* p = d.pDependentFiles; p && *p; p += wcslen(p) + 1) dependent += std::wstring(p) + L"|";
    return DriverSnapshot(true, d.cVersion, Str(d.pDriverPath), Str(d.pDataFile), Str(d.pConfigFile), dependent,
                          Str(d.pMonitorName), Str(d.pDefaultDataType), Str(d.pszProvider), Str(d.pszPrintProcessor),
                          Str(d.pszHardwareID), d.dwlDriverVersion, FileTimeValue(d.ftDriverDate));
}

DriverSnapshot FindDriver(const std::wstring& name) {
    DWORD count = 0;
    const std::vector<BYTE> buffer = Enumerated(
        [](BYTE* buffer, DWORD size, DWORD* needed, DWORD* returned) {
            return EnumPrinterDriversW(nullptr, nullptr, 8, buffer, size, needed, returned);
        },
        &count);
    const auto* drivers = reinterpret_cast<const DRIVER_INFO_8W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (Str(drivers[i].pName) == name) return Snapshot(drivers[i]);
    return {};
}

std::wstring MonitorDll(const std::wstring& name) {
    DWORD count = 0;
    const std::vector<BYTE> buffer =
        Enumerated([](BYTE* buffer, DWORD size, DWORD* needed,
                      DWORD* returned) { return EnumMonitorsW(nullptr, 2, buffer, size, needed, returned); },
                   &count);
    const auto* monitors = reinterpret_cast<const MONITOR_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (Str(monitors[i].pName) == name) return Str(monitors[i].pDLLName);
    return L"(not registered)";
}

bool AddQueue(const std::wstring& name, const std::wstring& driver, const std::wstring& port, DWORD attributes) {
    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<wchar_t*>(name.c_str());
    info.pPortName = const_cast<wchar_t*>(port.c_str());
    info.pDriverName = const_cast<wchar_t*>(driver.c_str());
    info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    info.Attributes = attributes;
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (!printer) return false;
    ClosePrinter(printer);
    return true;
}

void DeleteQueue(const std::wstring& name) {
    Printer printer(name);
    if (printer) DeletePrinter(printer.get());
}

bool QueueExists(const std::wstring& name) {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, 0};
    if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, &defaults)) return false;
    ClosePrinter(printer);
    return true;
}

int QueueCount() {
    DWORD count = 0;
    LocalPrinters(&count);
    return static_cast<int>(count);
}

QueueSnapshot FindQueue(const std::wstring& name) {
    QueueSnapshot snapshot;
    DWORD count = 0;
    const std::vector<BYTE> buffer = LocalPrinters(&count);
    const auto* printers = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) {
        if (Str(printers[i].pPrinterName) != name) continue;
        snapshot.found = true;
        snapshot.port = Str(printers[i].pPortName);
        snapshot.driver = Str(printers[i].pDriverName);
        snapshot.printProcessor = Str(printers[i].pPrintProcessor);
        snapshot.datatype = Str(printers[i].pDatatype);
        snapshot.attributes = printers[i].Attributes;
    }
    return snapshot;
}

Printer::Printer(const std::wstring& name) {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &handle_, &defaults)) handle_ = nullptr;
}

Printer::~Printer() {
    if (handle_) ClosePrinter(handle_);
}

bool SetPrinterBinary(const std::wstring& queue, const wchar_t* value, const void* bytes, DWORD size) {
    Printer printer(queue);
    return printer && SetPrinterDataW(printer.get(), const_cast<wchar_t*>(value), REG_BINARY,
                                      static_cast<BYTE*>(const_cast<void*>(bytes)), size) == ERROR_SUCCESS;
}

bool SetPrinterDword(const std::wstring& queue, const wchar_t* value, DWORD data) {
    Printer printer(queue);
    return printer && SetPrinterDataW(printer.get(), const_cast<wchar_t*>(value), REG_DWORD,
                                      reinterpret_cast<BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
}

StoredValue StoredPrinterValue(const std::wstring& queue, const wchar_t* value) {
    StoredValue read;
    Printer printer(queue);
    if (!printer) return read;
    DWORD needed = 0, type = 0;
    BYTE probe = 0;
    const DWORD status = GetPrinterDataW(printer.get(), const_cast<wchar_t*>(value), &type, &probe, 0, &needed);
    if (status != ERROR_MORE_DATA && status != ERROR_SUCCESS) return read;
    read.bytes.resize(needed);
    if (needed && GetPrinterDataW(printer.get(), const_cast<wchar_t*>(value), &type, read.bytes.data(), needed,
                                  &needed) != ERROR_SUCCESS)
        return read;
    read.found = true;
    read.type = type;
    return read;
}

void DeletePrinterValue(const std::wstring& queue, const wchar_t* value) {
    const std::wstring key = L"System\\CurrentControlSet\\Control\\Print\\Printers\\" + queue + L"\\PrinterDriverData";
    HKEY data = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE, &data) != ERROR_SUCCESS) return;
    RegDeleteValueW(data, value);
    RegCloseKey(data);
}

}  // namespace kelno::test
