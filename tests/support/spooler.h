#pragma once
// The Windows tests' own access to the prefix's spooler, independent of the code under test:
// driver directory and system directory, drivers and queues added and looked up directly, an
// open printer handle and the queue's printer data as a test plays it.
#include <windows.h>
#include <winspool.h>

#include <ostream>
#include <string>
#include <vector>

namespace kelno::test {

// The spooler's driver directory of the native environment (spool\drivers\x64), where
// AddPrinterDriverW takes the files from.
std::wstring DriverDirectory();
// A file of the version-3 folder of the driver directory, where the added drivers' files live.
std::wstring InstalledDriverFile(const std::wstring& file);
std::wstring SystemDirectory();

// Copies a file of the package folder (relative path) into the driver directory under a name.
bool StagePackageFile(const std::wstring& relative, const std::wstring& name);
// The package's configuration DLL, render DLL and data file in the driver directory.
bool StagePackageDriverFiles();

// Registers a version-3 driver (level 3, RAW) whose files are in the driver directory.
bool AddDriver(const std::wstring& name, const std::wstring& configFile,
               const std::wstring& renderFile = L"kelnodrv6.dll", const std::wstring& dataFile = L"kelnodrv6.dat");
void DeleteDriver(const std::wstring& name);
// Names of the drivers the spooler lists.
std::vector<std::wstring> DriverNames();
bool DriverInstalled(const std::wstring& name);

// A DRIVER_INFO_8W as the spooler lists it or as a fake of AddPrinterDriverW is handed it:
// dependent files joined with "|", the date as one FILETIME value.
struct DriverSnapshot {
    bool found = false;
    DWORD version = 0;
    std::wstring driverPath, dataFile, configFile, dependentFiles, monitor, datatype, provider, printProcessor,
        hardwareId;
    DWORDLONG driverVersion = 0, driverDate = 0;
    bool operator==(const DriverSnapshot&) const = default;
};
void PrintTo(const DriverSnapshot& driver, std::ostream* os);
DWORDLONG FileTimeValue(const FILETIME& time);
DriverSnapshot Snapshot(const DRIVER_INFO_8W& info);
// The spooler's record of a driver (level 8, native environment); found is false when not listed.
DriverSnapshot FindDriver(const std::wstring& name);
// The DLL of a registered monitor; "(not registered)" when the spooler does not list it.
std::wstring MonitorDll(const std::wstring& name);

// A RAW queue on WinPrint, made through the spooler (the driver must exist).
bool AddQueue(const std::wstring& name, const std::wstring& driver, const std::wstring& port = L"FILE:",
              DWORD attributes = 0);
void DeleteQueue(const std::wstring& name);
bool QueueExists(const std::wstring& name);
int QueueCount();

// A queue as EnumPrintersW (level 2) lists it; found is false when it is not listed.
struct QueueSnapshot {
    bool found = false;
    std::wstring port, driver, printProcessor, datatype;
    DWORD attributes = 0;
};
QueueSnapshot FindQueue(const std::wstring& name);

// An open printer handle (all access), closed with the object.
class Printer {
public:
    explicit Printer(const std::wstring& name);
    ~Printer();
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HANDLE handle_ = nullptr;
};

bool SetPrinterBinary(const std::wstring& queue, const wchar_t* value, const void* bytes, DWORD size);
bool SetPrinterDword(const std::wstring& queue, const wchar_t* value, DWORD data);

// A value of the queue's printer data; found is false when the spooler has none.
struct StoredValue {
    bool found = false;
    DWORD type = 0;
    std::vector<BYTE> bytes;
};
StoredValue StoredPrinterValue(const std::wstring& queue, const wchar_t* value);
// Removes a value of the queue's printer data through the registry (Wine's DeletePrinterData
// calls are not usable: one is unimplemented, the other rejects its arguments).
void DeletePrinterValue(const std::wstring& queue, const wchar_t* value);

}  // namespace kelno::test
