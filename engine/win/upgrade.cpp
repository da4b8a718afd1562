#include "engine/win/upgrade.h"

#include <winspool.h>

#include <iterator>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "common/win/debug_output.h"
#include "common/win/seams.h"
#include "engine/upgrade_procedure.h"
#include "engine/win/service_control.h"
#include "engine/win/staging.h"
#include "engine/win/system_paths.h"
#include "engine/win/upgrade_readd.h"

namespace kelno {
namespace {

const wchar_t* ServiceName(UpgradeService service) {
    return service == UpgradeService::spooler ? kSpoolerService : WidePtr(kCompanionService);
}

bool IsTargetDriver(const wchar_t* name) {
    return name && IsUpgradeTargetDriver(U16View(name), U16View(kUpgradeDriverName));
}

template <typename Info>
std::vector<BYTE> EnumPrinterLevel2(DWORD flags) {
    DWORD needed = 0, returned = 0;
    EnumPrintersW(flags, nullptr, 2, nullptr, 0, &needed, &returned);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !EnumPrintersW(flags, nullptr, 2, buffer.data(), needed, &needed, &returned)) return {};
    buffer.resize(returned * sizeof(Info));
    return buffer;
}

// A failed call's code; a failure that left no error code is still a failure.
std::uint32_t FailureCode(DWORD error) { return error != 0 ? error : ERROR_INVALID_FUNCTION; }

// Deletes every job of the open queue, then the queue (two attempts, 500 ms apart).
bool DeleteQueueWithJobs(HANDLE printer) {
    DWORD needed = 0, returned = 0;
    EnumJobsW(printer, 0, 0xFFFFFFFFu, 1, nullptr, 0, &needed, &returned);
    if (needed > 0) {
        std::vector<BYTE> jobs(needed);
        if (EnumJobsW(printer, 0, 0xFFFFFFFFu, 1, jobs.data(), needed, &needed, &returned)) {
            const auto* info = reinterpret_cast<const JOB_INFO_1W*>(jobs.data());
            for (DWORD i = 0; i < returned; ++i) SetJobW(printer, info[i].JobId, 0, nullptr, JOB_CONTROL_DELETE);
        }
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (DeletePrinter(printer)) return true;
        FixedWait(500);
    }
    return false;
}

class WindowsUpgradeOps final : public UpgradeOps {
public:
    explicit WindowsUpgradeOps(const UpgradeTexts& texts) : texts_(texts) {}

    void Trace(const char* text) override { DebugOut(WideString(AsciiToU16(text)).c_str()); }

    bool HasDriverEnvironment() override {
        environment_ = GetDriverEnvironment();
        return !environment_.empty();
    }

    bool StartService(UpgradeService service) override { return StartServiceAndWait(ServiceName(service)); }
    bool StopService(UpgradeService service) override { return StopServiceAndWait(ServiceName(service)); }

    void CollectUpgradePrinters() override {
        records_.clear();
        const std::vector<BYTE> buffer =
            EnumPrinterLevel2<PRINTER_INFO_2W>(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS);
        const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
        for (std::size_t i = 0; i < buffer.size() / sizeof(PRINTER_INFO_2W); ++i) {
            if (!IsTargetDriver(info[i].pDriverName)) continue;
            UpgradePrinterRecord record{};
            CopyBounded(record.driverName, std::size(record.driverName), std::wstring_view(info[i].pDriverName));
            if (info[i].pPortName)
                CopyBounded(record.portName, std::size(record.portName), std::wstring_view(info[i].pPortName));
            if (info[i].pPrinterName)
                CopyBounded(record.printerName, std::size(record.printerName), std::wstring_view(info[i].pPrinterName));
            record.status = kUpgradeStatusWorking;
            records_.push_back(record);
        }
    }

    bool RemovePrinterQueues() override {
        bool result = true;
        for (const UpgradePrinterRecord& record : records_) {
            PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
            HANDLE handle = nullptr;
            if (!OpenPrinterW(const_cast<wchar_t*>(record.printerName), &handle, &defaults)) {
                // A queue that is gone already counts as removed; an earlier failure stays.
                if (GetLastError() != ERROR_INVALID_PRINTER_NAME) result = false;
                continue;
            }
            const ScopedPrinter printer(handle);
            if (!DeleteQueueWithJobs(printer.get())) result = false;
        }
        return result;
    }

    void Wait(std::uint32_t milliseconds) override { FixedWait(milliseconds); }

    std::uint32_t DeleteDriverEx(bool specificVersion) override {
        const DWORD flags = DPD_DELETE_UNUSED_FILES | (specificVersion ? DPD_DELETE_SPECIFIC_VERSION : 0);
        SetLastError(0);
        if (DeletePrinterDriverExW(nullptr, nullptr, const_cast<wchar_t*>(kUpgradeDriverName), flags, 0)) return 0;
        return FailureCode(GetLastError());
    }

    std::uint32_t DeleteDriverPlain() override {
        SetLastError(0);
        if (DeletePrinterDriverW(nullptr, nullptr, const_cast<wchar_t*>(kUpgradeDriverName))) return 0;
        const DWORD error = GetLastError();
        DebugOutF(L"DeletePrinterDriver %ws failed, error: %u", kUpgradeDriverName, static_cast<unsigned>(error));
        // Wine's plain deletion of a driver that is not there fails without naming a reason.
        return DriverListed() ? FailureCode(error) : kErrorUnknownPrinterDriver;
    }

    bool DriverListed() override {
        DWORD needed = 0, returned = 0;
        seams::Spooler().enumPrinterDriversW(nullptr, nullptr, 2, nullptr, 0, &needed, &returned);
        if (needed == 0) return false;
        std::vector<BYTE> buffer(needed);
        if (!seams::Spooler().enumPrinterDriversW(nullptr, nullptr, 2, buffer.data(), needed, &needed, &returned))
            return false;
        const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(buffer.data());
        for (DWORD i = 0; i < returned; ++i)
            if (IsTargetDriver(info[i].pName)) return true;
        return false;
    }

    void RunCommand(const char16_t* commandLine) override {
        wchar_t line[MAX_PATH];
        StringPrintf(line, commandLine);
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process{};
        if (!seams::System().createProcessW(nullptr, line, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                                            &startup, &process))
            return;
        const ScopedHandle thread(process.hThread);
        const ScopedHandle started(process.hProcess);
        WaitForSingleObject(started.get(), INFINITE);
    }

    bool RefreshDriverFiles() override { return RefreshInstalledDriverFiles(PackageFolder(), environment_.c_str()); }

    bool ReinstallPrinters() override {
        bool result = true;
        for (UpgradePrinterRecord& record : records_) {
            if (AddPrinterForUpgrade(record)) continue;
            DebugOutF(L"Failed to install printer: %ws", record.printerName);
            result = false;
        }
        return result;
    }

    void ShowDriverInUse() override {
        seams::Ui().messageBoxW(nullptr, texts_.driverInUse, texts_.driverInUseCaption, MB_ICONWARNING | MB_OK);
    }

private:
    // "cmd.exe /c <command>" in the system directory: the command processor runs it.
    static void StringPrintf(wchar_t (&line)[MAX_PATH], const char16_t* command) {
        wchar_t system[MAX_PATH] = L"";
        GetSystemDirectoryW(system, MAX_PATH);
        std::wstring text = L"\"" + std::wstring(system) + L"\\cmd.exe\" /c " + WideString(command);
        CopyBounded(line, MAX_PATH, std::wstring_view(text));
    }

    UpgradeTexts texts_;
    std::wstring environment_;
    std::vector<UpgradePrinterRecord> records_;
};

}  // namespace

bool RunUpgrade(const UpgradeTexts& texts) {
    WindowsUpgradeOps ops(texts);
    return RunUpgradeProcedure(ops);
}

}  // namespace kelno
