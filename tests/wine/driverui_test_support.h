#pragma once
// Shared helpers of the configuration DLL's Windows tests: the package's driver installed into
// the throwaway prefix's spooler, one queue per model, the installed DLL's exports, and the
// queue's printer data as a test plays it.
#include <windows.h>
#include <winspool.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/wine_test_support.h"

namespace kelno::test {

// The driver names the installers register, vendor word, blank, model name.
inline const wchar_t* const kModelDrivers[] = {L"Tavolen MX-410", L"Tavolen MX-310", L"Tavolen MX-420",
                                               L"Tavolen MX-430"};

inline std::wstring DriverDirectory() {
    wchar_t directory[MAX_PATH] = L"";
    DWORD needed = 0;
    GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(directory), sizeof directory, &needed);
    return directory;
}

// Copies a file of the package (relative path) into the spooler's driver directory.
inline bool StagePackageFile(const std::wstring& relative, const std::wstring& name) {
    const std::wstring from = JoinPath(PackageFolderPath(), relative);
    return CopyFileW(from.c_str(), JoinPath(DriverDirectory(), name).c_str(), FALSE) != FALSE;
}

// The package's configuration DLL, render DLL and data file in the driver directory, where
// AddPrinterDriverW takes them from.
inline bool StagePackageDriverFiles() {
    return StagePackageFile(L"amd64\\kelnodrv6ui.dll", L"kelnodrv6ui.dll") &&
           StagePackageFile(L"amd64\\kelnodrv6.dll", L"kelnodrv6.dll") &&
           StagePackageFile(L"dat\\kelnodrv6.dat", L"kelnodrv6.dat");
}

// Registers a version-3 driver whose files are in the driver directory.
inline bool AddDriver(const std::wstring& name, const std::wstring& configFile,
                      const std::wstring& renderFile = L"kelnodrv6.dll", const std::wstring& dataFile = L"kelnodrv6.dat") {
    DRIVER_INFO_3W info{};
    info.cVersion = 3;
    info.pName = const_cast<wchar_t*>(name.c_str());
    info.pDriverPath = const_cast<wchar_t*>(renderFile.c_str());
    info.pDataFile = const_cast<wchar_t*>(dataFile.c_str());
    info.pConfigFile = const_cast<wchar_t*>(configFile.c_str());
    info.pDefaultDataType = const_cast<wchar_t*>(L"RAW");
    return AddPrinterDriverW(nullptr, 3, reinterpret_cast<BYTE*>(&info)) != FALSE;
}

// The package's driver registered under a name (the files are staged again for each).
inline bool InstallPackageDriver(const std::wstring& name) {
    return StagePackageDriverFiles() && AddDriver(name, L"kelnodrv6ui.dll");
}

// The package's driver under each model's name.
inline bool InstallPackageDrivers() {
    for (const wchar_t* driver : kModelDrivers)
        if (!InstallPackageDriver(driver)) return false;
    return true;
}

inline bool AddQueue(const std::wstring& name, const std::wstring& driver, const std::wstring& port = L"FILE:") {
    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<wchar_t*>(name.c_str());
    info.pPortName = const_cast<wchar_t*>(port.c_str());
    info.pDriverName = const_cast<wchar_t*>(driver.c_str());
    info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (!printer) return false;
    ClosePrinter(printer);
    return true;
}

// An open printer handle, closed with the object.
class Printer {
public:
    explicit Printer(const std::wstring& name) {
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
        if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &handle_, &defaults)) handle_ = nullptr;
    }
    ~Printer() {
        if (handle_) ClosePrinter(handle_);
    }
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HANDLE handle_ = nullptr;
};

inline bool SetPrinterBinary(const std::wstring& queue, const wchar_t* value, const void* bytes, DWORD size) {
    Printer printer(queue);
    return printer && SetPrinterDataW(printer.get(), const_cast<wchar_t*>(value), REG_BINARY,
                                      static_cast<BYTE*>(const_cast<void*>(bytes)), size) == ERROR_SUCCESS;
}

inline bool SetPrinterDword(const std::wstring& queue, const wchar_t* value, DWORD data) {
    Printer printer(queue);
    return printer && SetPrinterDataW(printer.get(), const_cast<wchar_t*>(value), REG_DWORD,
                                      reinterpret_cast<BYTE*>(&data), sizeof data) == ERROR_SUCCESS;
}

// A value of the queue's printer data; found is false when the spooler has none.
struct StoredValue {
    bool found = false;
    DWORD type = 0;
    std::vector<BYTE> bytes;
};

inline StoredValue StoredPrinterValue(const std::wstring& queue, const wchar_t* value) {
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

// Removes a value of the queue's printer data through the registry (Wine's DeletePrinterData
// calls are not usable: one is unimplemented, the other rejects its arguments).
inline void DeletePrinterValue(const std::wstring& queue, const wchar_t* value) {
    const std::wstring key = L"System\\CurrentControlSet\\Control\\Print\\Printers\\" + queue + L"\\PrinterDriverData";
    HKEY data = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE, &data) != ERROR_SUCCESS) return;
    RegDeleteValueW(data, value);
    RegCloseKey(data);
}

// The configuration DLL the spooler loads for the queues (driver directory, version 3).
inline HMODULE LoadInstalledDriverUi() {
    return LoadLibraryW(JoinPath(JoinPath(DriverDirectory(), L"3"), L"kelnodrv6ui.dll").c_str());
}

template <typename Function>
Function ExportOf(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace kelno::test
