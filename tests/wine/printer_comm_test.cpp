// The configuration DLL's own channels to the printer, against Wine's spooler, SetupAPI and a
// simulated serial printer:
// - RAW jobs to a queue whose port is a file path (Wine's spooler writes the job there inside
//   EndDocPrinter, in this process, without page framing: the pages are counted at the seam);
// - printer values: Wine never hands a value it does not store to a language monitor, so a
//   printer is played through the seam (state, update mode, refusals), and one value is read
//   as stored printer data through the real GetPrinterDataW;
// - the port target of USB, COM, TCP/IP and other queues (USB printers simulated in SetupAPI);
// - the firmware transfer to a pty linked as COM3, where a Linux program records every byte
//   (tests/wine/serial_printer), and to a printer that stops reading.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "base/win/scoped_seam.h"
#include "driverui/devsheet/firmware.h"
#include "driverui/devsheet/win/firmware_group.h"
#include "driverui/devsheet/win/printer_comm.h"
#include "tests/support/firmware_image.h"
#include "tests/support/simulated_devices.h"
#include "tests/wine/driverui_test_support.h"

namespace kelno::test {
namespace {

const std::wstring kDriver = L"Tavolen MX-410";
const std::wstring kRawQueue = L"Raw file queue";
const std::wstring kComQueue = L"Serial queue";
const std::wstring kSerialFolder = L"C:\\serial_printer";
const std::wstring kReceived = L"C:\\serial_printer\\received.bin";
const std::wstring kStall = L"C:\\serial_printer\\stall";

// The Unix path of a file of the prefix's drive C: (a RAW job goes to a port that is a Unix path).
std::wstring UnixPathOf(const std::wstring& relative) {
    wchar_t prefix[MAX_PATH] = L"";
    if (!GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH)) return {};
    std::wstring path = std::wstring(prefix) + L"/drive_c/" + relative;
    std::replace(path.begin(), path.end(), L'\\', L'/');
    return path;
}

class CommEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_TRUE(InstallPackageDriver(kDriver)) << GetLastError();
        CreateDirectoryW(L"C:\\raw", nullptr);
        ASSERT_TRUE(AddQueue(kRawQueue, kDriver, UnixPathOf(L"raw/job.bin"))) << GetLastError();
        ASSERT_TRUE(AddQueue(kComQueue, kDriver, L"COM3:")) << GetLastError();
    }
    void TearDown() override { WriteFileBytes(kSerialFolder + L"\\quit", ""); }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new CommEnvironment);

// ---- RAW jobs ----

int g_pages = 0;
BOOL WINAPI CountedStartPage(HANDLE printer) {
    ++g_pages;
    return StartPagePrinter(printer);
}

TEST(SendFileRawTest, BytesArriveUnchangedOneSpoolerPagePerBlock) {
    const struct {
        std::size_t size;
        int pages;
    } cases[] = {{0, 0}, {1, 1}, {204798, 1}, {204799, 2}, {3 * 204798 + 5, 4}};
    ScopedSeam pages(PrinterComm().startPagePrinter, &CountedStartPage);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string bytes = PatternBytes(c.size);
        ASSERT_TRUE(WriteFileBytes(L"C:\\raw\\source.prn", bytes));
        DeleteFileW(L"C:\\raw\\job.bin");
        g_pages = 0;
        EXPECT_TRUE(SendFileRaw(kRawQueue.c_str(), L"C:\\raw\\source.prn"));
        EXPECT_EQ(g_pages, c.pages);
        // An empty file still makes a job: the port file exists and is empty.
        EXPECT_TRUE(FileExists(L"C:\\raw\\job.bin"));
        EXPECT_TRUE(ReadFileBytes(L"C:\\raw\\job.bin") == bytes) << "the job differs from the file";
    }
}

TEST(SendFileRawTest, NothingToSendStartsNoJob) {
    DeleteFileW(L"C:\\raw\\job.bin");
    EXPECT_FALSE(SendFileRaw(kRawQueue.c_str(), L"C:\\raw\\no such file.prn"));
    EXPECT_FALSE(FileExists(L"C:\\raw\\job.bin"));
    ASSERT_TRUE(WriteFileBytes(L"C:\\raw\\source.prn", "data"));
    EXPECT_FALSE(SendFileRaw(L"No such queue", L"C:\\raw\\source.prn"));
}

BOOL WINAPI FailingWrite(HANDLE, LPVOID, DWORD, LPDWORD written) {
    *written = 0;
    return FALSE;
}

TEST(SendFileRawTest, AFailedWriteIsNotReportedAsSent) {
    ASSERT_TRUE(WriteFileBytes(L"C:\\raw\\source.prn", PatternBytes(300000)));
    ScopedSeam write(PrinterComm().writePrinter, &FailingWrite);
    EXPECT_FALSE(SendFileRaw(kRawQueue.c_str(), L"C:\\raw\\source.prn"));
}

// ---- printer values ----

// A printer played through the seam: it answers the status and mode values.
struct PlayedPrinter {
    bool refusesEnter = false;
    bool staysInUpdateMode = false;  // accepts "qvsetcmd4" but never leaves
    int pollsBeforeModeChange = 0;   // "qvgetcmd5" answers with the old mode this often
    bool updateMode = false;
    int pendingPolls = 0;
    std::vector<std::wstring> asked;
    std::vector<DWORD> waits;
    std::vector<DWORD> replySizes;
};
PlayedPrinter* g_printer = nullptr;

DWORD WINAPI PlayedGetPrinterData(HANDLE, LPWSTR name, LPDWORD type, LPBYTE data, DWORD size, LPDWORD) {
    PlayedPrinter& p = *g_printer;
    const std::wstring value = name;
    p.asked.push_back(value);
    p.replySizes.push_back(size);
    if (*type != REG_BINARY || std::any_of(data, data + size, [](BYTE b) { return b != 0; }))
        return ERROR_INVALID_PARAMETER;  // the reply must come zeroed with REG_BINARY preset
    if (value == L"qvsetcmd3") {
        if (p.refusesEnter) return ERROR_NOT_SUPPORTED;
        p.pendingPolls = p.pollsBeforeModeChange;
        p.updateMode = true;
        return ERROR_SUCCESS;
    }
    if (value == L"qvsetcmd4") {
        p.pendingPolls = p.pollsBeforeModeChange;
        p.updateMode = p.staysInUpdateMode;
        return ERROR_SUCCESS;
    }
    if (value == L"qvgetcmd5") {
        const bool shown = p.pendingPolls > 0 ? !p.updateMode : p.updateMode;
        if (p.pendingPolls > 0) --p.pendingPolls;
        data[0] = shown ? 1 : 0;
        return ERROR_SUCCESS;
    }
    return ERROR_FILE_NOT_FOUND;
}

void WINAPI RecordedSleep(DWORD milliseconds) { g_printer->waits.push_back(milliseconds); }

// Plays the printer for the lifetime of the object.
class PrinterPlay {
public:
    PrinterPlay()
        : data_(PrinterComm().getPrinterDataW, &PlayedGetPrinterData), sleep_(PrinterComm().sleep, &RecordedSleep) {
        g_printer = &printer;
    }
    ~PrinterPlay() { g_printer = nullptr; }
    PlayedPrinter printer;

private:
    ScopedSeam<decltype(PrinterComm().getPrinterDataW)> data_;
    ScopedSeam<decltype(PrinterComm().sleep)> sleep_;
};

std::vector<DWORD> Waits(int polls) {
    std::vector<DWORD> waits{3000};
    waits.insert(waits.end(), polls, 150);
    return waits;
}

TEST(FirmwareModeTest, SwitchesAndWaitsForTheWantedMode) {
    const struct {
        const char* name;
        bool enter;
        bool refusesEnter, staysInUpdateMode;
        int pollsBeforeModeChange;
        bool result;
        std::vector<DWORD> waits;
        std::size_t modePolls;
    } cases[] = {
        {"enters at once", true, false, false, 0, true, Waits(0), 1},
        {"enters after three polls", true, false, false, 3, true, Waits(3), 4},
        {"leaves", false, false, false, 0, true, Waits(0), 1},
        {"refuses to enter", true, true, false, 0, false, {}, 0},
        {"stays in update mode", false, false, true, 0, false, Waits(10), 10},
        {"too slow", true, false, false, 10, false, Waits(10), 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PrinterPlay play;
        play.printer.refusesEnter = c.refusesEnter;
        play.printer.staysInUpdateMode = c.staysInUpdateMode;
        play.printer.pollsBeforeModeChange = c.pollsBeforeModeChange;
        play.printer.updateMode = !c.enter;
        EXPECT_EQ(SetFirmwareUpdateMode(nullptr, c.enter), c.result);
        EXPECT_EQ(play.printer.waits, c.waits);
        ASSERT_FALSE(play.printer.asked.empty());
        EXPECT_EQ(play.printer.asked.front(), c.enter ? L"qvsetcmd3" : L"qvsetcmd4");
        EXPECT_EQ(
            static_cast<std::size_t>(std::count(play.printer.asked.begin(), play.printer.asked.end(), L"qvgetcmd5")),
            c.modePolls);
        for (DWORD size : play.printer.replySizes) EXPECT_EQ(size, 32u);
    }
}

TEST(PrinterValueTest, StoredPrinterDataIsReadThroughTheSpooler) {
    std::vector<BYTE> stored(64, 0);
    stored[0] = 5;
    std::copy_n("V9.8.7", 6, stored.begin() + 5);
    ASSERT_TRUE(SetPrinterBinary(kRawQueue, L"qvgetcmd2", stored.data(), static_cast<DWORD>(stored.size())));
    Printer printer(kRawQueue);
    std::uint8_t reply[kPollReplyBytes];
    std::fill(std::begin(reply), std::end(reply), 0xCC);
    ASSERT_EQ(QueryPrinterValue(printer.get(), L"qvgetcmd2", reply), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(FirmwareVersionText(reply), "V9.8.7");
    // A value the printer does not answer: the spooler's code comes back, the reply is zeroed.
    std::fill(std::begin(reply), std::end(reply), 0xCC);
    EXPECT_NE(QueryPrinterValue(printer.get(), L"qvgetcmd7", reply), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(std::all_of(std::begin(reply), std::end(reply), [](std::uint8_t b) { return b == 0; }));
    DeletePrinterValue(kRawQueue, L"qvgetcmd2");
}

// ---- port target ----

TEST(PortTargetTest, UsbQueuesFindTheirPrinterOthersNothing) {
    auto seven = AddUsbPrinter({L"USB\\VID_2D37&PID_0001\\SEVEN", L"TavolenMX-410", 7, L"SEVEN"});
    auto ten = AddUsbPrinter({L"USB\\VID_0483&PID_0002\\TEN", L"TavolenMX-420", 10, L"TEN"});
    ASSERT_TRUE(seven->Ok()) << Narrow(seven->Failure());
    ASSERT_TRUE(ten->Ok()) << Narrow(ten->Failure());
    const struct {
        std::wstring queue, port, target;
    } cases[] = {
        {L"USB queue 7", L"USB007", seven->DevicePath()},
        {L"USB queue 10", L"USB010", ten->DevicePath()},  // any vendor
        {L"TCP/IP queue", L"IP_10.77.0.50", L""},         // after a USB lookup that found one
        {L"Missing USB queue", L"USB003", L""},
        {L"Two ports", L"USB007,USB010", L""},
        {L"COM queue", L"COM3:", L"COM3:"},
        {L"LPT queue", L"LPT1:", L""},
        {L"File queue", L"FILE:", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.queue));
        ASSERT_TRUE(AddQueue(c.queue, kDriver, c.port)) << GetLastError();
        {
            Printer printer(c.queue);
            EXPECT_EQ(std::wstring(FindPortTarget(printer.get())), c.target);
            EXPECT_EQ(std::wstring(PortTarget()), c.target);
        }
        DeleteQueue(c.queue);
    }
    EXPECT_EQ(std::wstring(FindPortTarget(nullptr)), L"") << "a printer that cannot be asked";
}

// ---- the firmware transfer to the serial printer ----

struct Report {
    UINT message;
    WPARAM value;
    bool operator==(const Report&) const = default;
};
void PrintTo(const Report& r, std::ostream* os) {
    *os << "{WM_USER+" << (r.message - WM_USER) << ", " << r.value << "}";
}

// Runs one transfer of the image file to the COM3 queue and returns what it reported.
std::vector<Report> Transfer(const std::wstring& image) {
    std::vector<Report> reports;
    FirmwareTransferJob job;
    job.printerName = kComQueue;
    job.imagePath = image;
    job.report = [&](UINT message, WPARAM value) { reports.push_back({message, value}); };
    RunFirmwareTransfer(job);
    return reports;
}

std::vector<Report> Progress(std::initializer_list<WPARAM> percents) {
    std::vector<Report> reports;
    for (WPARAM p : percents) reports.push_back({kFirmwareProgressMessage, p});
    return reports;
}

// Waits until the serial printer has recorded size bytes (or the deadline passed).
std::string ReceivedBytes(std::size_t size) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string bytes;
    do {
        bytes = ReadFileBytes(kReceived);
        if (bytes.size() >= size) break;
        Sleep(50);
    } while (std::chrono::steady_clock::now() < deadline);
    return bytes;
}

class FirmwareTransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FileExists(kSerialFolder)) << "the simulated serial printer is not running";
        DeleteFileW(kReceived.c_str());
        DeleteFileW(kStall.c_str());
    }
    void TearDown() override { DeleteFileW(kStall.c_str()); }
    PrinterPlay play_;
};

TEST_F(FirmwareTransferTest, TheImageArrivesUnchangedWithItsProgress) {
    const struct {
        std::size_t size;
        std::vector<Report> progress;
    } cases[] = {
        {2048, Progress({50, 100})},
        {2500, Progress({40, 81, 100})},
        {100, Progress({100})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        DeleteFileW(kReceived.c_str());
        play_.printer.asked.clear();
        const std::string image = FirmwareImage(c.size, "MX-410");
        ASSERT_TRUE(WriteFileBytes(L"C:\\raw\\image.bin", image));
        std::vector<Report> expected{{kFirmwareStartedMessage, kFirmwareReady}};
        expected.insert(expected.end(), c.progress.begin(), c.progress.end());
        expected.push_back({kFirmwareFinishedMessage, kFirmwareReady});
        EXPECT_EQ(Transfer(L"C:\\raw\\image.bin"), expected);
        EXPECT_TRUE(ReceivedBytes(image.size()) == image) << "the printer received other bytes";
        EXPECT_FALSE(play_.printer.updateMode) << "the printer is back in normal mode";
        EXPECT_EQ(play_.printer.asked.front(), L"qvsetcmd3");
    }
}

TEST_F(FirmwareTransferTest, FailuresBeforeTheFirstByte) {
    ASSERT_TRUE(WriteFileBytes(L"C:\\raw\\image.bin", FirmwareImage(2048, "MX-410")));
    ASSERT_TRUE(WriteFileBytes(L"C:\\raw\\empty.bin", ""));
    const struct {
        const char* name;
        std::wstring image;
        bool refusesEnter;
        FirmwareStatus status;
        bool switched;  // the printer was asked to enter update mode
    } cases[] = {
        {"refused mode", L"C:\\raw\\image.bin", true, kFirmwareModeFailed, true},
        {"missing image", L"C:\\raw\\missing.bin", false, kFirmwareFileError, false},
        {"empty image", L"C:\\raw\\empty.bin", false, kFirmwareFileError, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        play_.printer.asked.clear();
        play_.printer.refusesEnter = c.refusesEnter;
        const std::vector<Report> expected{{kFirmwareStartedMessage, kFirmwareReady},
                                           {kFirmwareFailedMessage, c.status}};
        EXPECT_EQ(Transfer(c.image), expected);
        EXPECT_EQ(!play_.printer.asked.empty(), c.switched);
        Sleep(200);
        EXPECT_FALSE(FileExists(kReceived)) << "bytes were written";
    }
}

TEST_F(FirmwareTransferTest, APrinterThatStopsReadingEndsWithTheSendError) {
    ASSERT_TRUE(WriteFileBytes(kStall, ""));
    ASSERT_TRUE(WriteFileBytes(L"C:\\raw\\large.bin", FirmwareImage(512 * 1024, "MX-410")));
    // On a thread, so that a transfer that hangs fails the test at once instead of at its time-out.
    std::vector<Report> reports;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* out) -> DWORD {
            *static_cast<std::vector<Report>*>(out) = Transfer(L"C:\\raw\\large.bin");
            return 0;
        },
        &reports, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    if (WaitForSingleObject(thread, 60000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the transfer to a printer that stopped reading did not end";
        std::fflush(stdout);
        ExitProcess(1);  // the thread stays blocked in WriteFile
    }
    CloseHandle(thread);
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.back(), (Report{kFirmwareFailedMessage, kFirmwareSendFailed}));
    EXPECT_TRUE(play_.printer.updateMode) << "a broken transfer leaves the printer waiting for an image";
}

}  // namespace
}  // namespace kelno::test
