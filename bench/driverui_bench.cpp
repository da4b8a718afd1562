// Speed of the configuration DLL through the system's client paths. In one Wine run it installs
// the package's driver ("Tavolen MX-420") and the benchmark's floor driver, whose configuration
// DLL answers from constants, adds a queue for each, and times N calls of
// DeviceCapabilitiesW(DC_PAPERNAMES) and of the DocumentPropertiesW default-DEVMODE query on
// both queues. It prints the rates and the ratio to the floor, and beside them the rate of the
// spooler reads one answer needs, timed without any driver, and the ratio to those: the cost of
// the driver's own work (the goal is 1.10 or less). The floor makes no spooler call at all, so
// its ratio shows what the spooler costs rather than what the driver does.
//   driverui_bench.exe [N]          (run it through scripts/bench.sh)
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/wine/driverui_test_support.h"

namespace {

using Clock = std::chrono::steady_clock;
using kelno::test::JoinPath;

constexpr double kGoalRatio = 1.10;  // to the bare spooler reads
constexpr DWORD kDevmodeSize = 5196;

struct Rates {
    double paperNames;  // calls per second
    double devmode;
};

// What the driver has to read from the spooler for one answer, timed without the driver: the
// printer (opened by name when the client passes no handle), its PRINTER_INFO_2 and driver,
// the data file header, the label stocks and the installed stock.
void SpoolerReads(const std::wstring& queue, HANDLE given) {
    HANDLE printer = given;
    if (!printer && !OpenPrinterW(const_cast<wchar_t*>(queue.c_str()), &printer, nullptr)) std::abort();
    static std::vector<BYTE> buffer(16384);
    DWORD needed = 0, type = 0;
    if (!GetPrinterW(printer, 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed)) std::abort();
    if (!GetPrinterDriverW(printer, nullptr, 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed))
        std::abort();
    HANDLE file = CreateFileW(reinterpret_cast<DRIVER_INFO_2W*>(buffer.data())->pDataFile, GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) std::abort();
    BYTE header[472];
    DWORD read = 0;
    ReadFile(file, header, sizeof header, &read, nullptr);
    CloseHandle(file);
    GetPrinterDataW(printer, const_cast<wchar_t*>(L"FORMS"), &type, buffer.data(), static_cast<DWORD>(buffer.size()),
                    &needed);
    GetPrinterDataW(printer, const_cast<wchar_t*>(L"InstalledForm"), &type, buffer.data(), 113, &needed);
    if (!given) ClosePrinter(printer);
}

bool Fail(const char* what) {
    std::fprintf(stderr, "driverui_bench: %s failed (error %lu)\n", what, GetLastError());
    return false;
}

bool SetUpQueues(const std::wstring& driverQueue, const std::wstring& floorQueue) {
    if (!kelno::test::InstallPackageDriver(L"Tavolen MX-420")) return Fail("installing the package's driver");
    if (!kelno::test::AddQueue(driverQueue, L"Tavolen MX-420")) return Fail("adding the driver's queue");
    // The label stocks the spooler would store through DrvPrinterEvent after AddPrinter.
    HMODULE driverUi = kelno::test::LoadInstalledDriverUi();
    using PrinterEvent = BOOL(WINAPI*)(LPWSTR, INT, DWORD, LPARAM);
    auto event = driverUi ? kelno::test::ExportOf<PrinterEvent>(driverUi, "DrvPrinterEvent") : nullptr;
    if (!event || !event(const_cast<wchar_t*>(driverQueue.c_str()), 3, 0, 0)) return Fail("initialising the forms");

    const std::wstring floorDll = JoinPath(kelno::test::TestProgramFolder(), L"kelnofloorui.dll");
    if (!CopyFileW(floorDll.c_str(), JoinPath(kelno::test::DriverDirectory(), L"kelnofloorui.dll").c_str(), FALSE))
        return Fail("staging the floor DLL");
    if (!kelno::test::StagePackageDriverFiles() || !kelno::test::AddDriver(L"Bench floor", L"kelnofloorui.dll"))
        return Fail("installing the floor driver");
    if (!kelno::test::AddQueue(floorQueue, L"Bench floor")) return Fail("adding the floor queue");
    return true;
}

// One query of the run: what one call does, and the calls timed so far with their time.
struct TimedQuery {
    std::function<void()> call;
    int calls = 0;
    double seconds = 0;
    double CallsPerSecond() const { return seconds > 0 ? calls / seconds : 0; }
};

// Times the queries call by call in turn, the order turned round every turn, so that a change
// in the machine's load during the run weighs on every query alike (the machine is shared:
// timing one query after the other made the ratios drift by more than the driver's own work).
void TimeInTurns(int calls, std::initializer_list<TimedQuery*> queries) {
    for (TimedQuery* query : queries)
        for (int i = 0; i < calls / 10 + 1; ++i) query->call();  // warm-up: modules loaded, caches filled
    std::vector<TimedQuery*> order(queries);
    for (int turn = 0; turn < calls; ++turn) {
        for (TimedQuery* query : order) {
            const Clock::time_point start = Clock::now();
            query->call();
            query->seconds += std::chrono::duration<double>(Clock::now() - start).count();
            ++query->calls;
        }
        std::reverse(order.begin(), order.end());
    }
}

std::function<void()> PaperNamesCall(const std::wstring& queue, std::vector<wchar_t>& names) {
    return [&queue, &names] {
        if (DeviceCapabilitiesW(queue.c_str(), L"FILE:", DC_PAPERNAMES, names.data(), nullptr) != 6) std::abort();
    };
}

std::function<void()> DefaultDevmodeCall(const std::wstring& queue, HANDLE printer, std::vector<BYTE>& devmode) {
    return [&queue, printer, &devmode] {
        if (DocumentPropertiesW(nullptr, printer, const_cast<wchar_t*>(queue.c_str()),
                                reinterpret_cast<DEVMODEW*>(devmode.data()), nullptr, DM_OUT_BUFFER) != 1)
            std::abort();
    };
}

bool AnswersSixPaperNames(const std::wstring& queue) {
    const int count = DeviceCapabilitiesW(queue.c_str(), L"FILE:", DC_PAPERNAMES, nullptr, nullptr);
    if (count == 6) return true;
    std::fprintf(stderr, "driverui_bench: %ls answers DC_PAPERNAMES with %d\n", queue.c_str(), count);
    return false;
}

// Rates of the driver, the floor and the bare spooler reads, each query timed in turns with
// its two comparisons.
bool Measure(const std::wstring& driverQueue, const std::wstring& floorQueue, int calls, Rates* driver, Rates* floor,
             Rates* reads) {
    if (!AnswersSixPaperNames(floorQueue) || !AnswersSixPaperNames(driverQueue)) return false;
    std::vector<wchar_t> driverNames(6 * 64), floorNames(6 * 64);
    TimedQuery driverPapers{PaperNamesCall(driverQueue, driverNames)};
    TimedQuery floorPapers{PaperNamesCall(floorQueue, floorNames)};
    TimedQuery readPapers{[&] { SpoolerReads(driverQueue, nullptr); }};
    TimeInTurns(calls, {&floorPapers, &driverPapers, &readPapers});

    kelno::test::Printer driverPrinter(driverQueue), floorPrinter(floorQueue), readPrinter(driverQueue);
    if (!driverPrinter || !floorPrinter || !readPrinter) return Fail("opening the queues");
    std::vector<BYTE> driverDevmode(kDevmodeSize), floorDevmode(kDevmodeSize);
    TimedQuery driverDefault{DefaultDevmodeCall(driverQueue, driverPrinter.get(), driverDevmode)};
    TimedQuery floorDefault{DefaultDevmodeCall(floorQueue, floorPrinter.get(), floorDevmode)};
    TimedQuery readDefault{[&] { SpoolerReads(driverQueue, readPrinter.get()); }};
    TimeInTurns(calls, {&floorDefault, &driverDefault, &readDefault});

    *driver = {driverPapers.CallsPerSecond(), driverDefault.CallsPerSecond()};
    *floor = {floorPapers.CallsPerSecond(), floorDefault.CallsPerSecond()};
    *reads = {readPapers.CallsPerSecond(), readDefault.CallsPerSecond()};
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int calls = argc > 1 ? std::max(1, _wtoi(argv[1])) : 2000;
    const std::wstring driverQueue = L"Bench MX-420", floorQueue = L"Bench floor";
    if (!SetUpQueues(driverQueue, floorQueue)) return 1;

    Rates driver{}, floor{}, reads{};
    if (!Measure(driverQueue, floorQueue, calls, &driver, &floor, &reads)) return 1;

    const double paperRatio = floor.paperNames / driver.paperNames;
    const double devmodeRatio = floor.devmode / driver.devmode;
    std::printf("calls per query: %d\n", calls);
    std::printf("%-44s %14s %10s %8s %14s %8s\n", "query", "kelnodrv6ui/s", "floor/s", "ratio", "reads only/s",
                "ratio");
    std::printf("%-44s %14.0f %10.0f %8.1f %14.0f %8.2f\n", "DeviceCapabilitiesW(DC_PAPERNAMES)", driver.paperNames,
                floor.paperNames, paperRatio, reads.paperNames, reads.paperNames / driver.paperNames);
    std::printf("%-44s %14.0f %10.0f %8.1f %14.0f %8.2f\n", "DocumentPropertiesW(DM_OUT_BUFFER) default",
                driver.devmode, floor.devmode, devmodeRatio, reads.devmode, reads.devmode / driver.devmode);
    std::printf("reads only: the spooler reads one answer needs, timed without the driver\n");
    const bool met = reads.paperNames / driver.paperNames <= kGoalRatio && reads.devmode / driver.devmode <= kGoalRatio;
    std::printf("goal (ratio to the reads only <= %.2f): %s\n", kGoalRatio, met ? "met" : "not met");
    return 0;
}
