// Standard TCP/IP ports through the spooler's ",XcvMonitor Standard TCP/IP Port" interface, with
// the stand-in monitor of tests/wine/tcpip_monitor registered in the prefix (Wine has none):
// what the monitor stores, the progress lines, and what is refused before the spooler is asked.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/install_entry.h"
#include "engine/win/tcpip_port.h"
#include "tests/support/scoped_log.h"
#include "tests/support/wine_test_support.h"
#include "tests/support/tcpip_monitor.h"

namespace kelno::test {
namespace {

using Lines = std::vector<std::wstring>;

PrinterInstallEntry NetworkEntry(const wchar_t* port, std::uint16_t kind = kPortKindStandardTcpIp) {
    PrinterInstallEntry entry{};
    const std::wstring text(port);
    for (std::size_t i = 0; i < text.size() && i + 1 < std::size(entry.portName); ++i)
        entry.portName[i] = static_cast<char16_t>(text[i]);
    entry.portKind = kind;
    return entry;
}

// The spooler's list of ports, level 2: the monitor named for each port.
std::wstring MonitorOfPort(const std::wstring& port) {
    DWORD needed = 0, count = 0;
    EnumPortsW(nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed);
    if (needed == 0 || !EnumPortsW(nullptr, 2, buffer.data(), needed, &needed, &count)) return L"";
    const auto* ports = reinterpret_cast<const PORT_INFO_2W*>(buffer.data());
    for (DWORD i = 0; i < count; ++i)
        if (ports[i].pPortName && port == ports[i].pPortName)
            return ports[i].pMonitorName ? ports[i].pMonitorName : L"";
    return L"";
}

class TcpIpPort : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InstallTcpIpMonitor();
        InstallQueueDriver();
    }
    void SetUp() override { ASSERT_FALSE(HasFatalFailure()); }

    ResultPage page_;
};

TEST_F(TcpIpPort, AddCreatesARawPortWithSnmpOffThatJobsPrintTo) {
    EXPECT_TRUE(AddStandardTcpIpPort(page_.sink(), L"192.168.1.50", L"192.168.1.50", kDefaultRawTcpPort));
    EXPECT_EQ(page_.Lines(), (Lines{L"Add port: 192.168.1.50, 192.168.1.50 ...", L"OK\r\n"}));

    const StoredPort stored = ReadStoredPort(L"192.168.1.50");
    ASSERT_TRUE(stored.exists);
    EXPECT_EQ(stored.hostName, L"192.168.1.50");
    EXPECT_EQ(stored.portNumber, 9100u);
    EXPECT_EQ(stored.protocol, 1u);  // raw TCP
    EXPECT_EQ(stored.snmpEnabled, 0u);
    // The monitor was opened for administration, as adding a port requires.
    EXPECT_TRUE(MonitorLastGrantedAccess() & SERVER_ACCESS_ADMINISTER);
    EXPECT_EQ(MonitorOfPort(L"192.168.1.50"), L"Standard TCP/IP Port");

    // A queue on the new port prints through the monitor, bytes unchanged.
    const std::wstring jobs = MakeTempFolder(L"tcpjobs");
    SetMonitorJobFolder(jobs);
    AddTestQueue(L"Network Label", L"192.168.1.50");
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ACCESS_USE};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(L"Network Label"), &printer, &defaults));
    DOC_INFO_1W doc{const_cast<LPWSTR>(L"label"), nullptr, const_cast<LPWSTR>(L"RAW")};
    ASSERT_NE(StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&doc)), 0u);
    const char label[] = "SIZE 50 mm,30 mm\r\nPRINT 1\r\n";
    DWORD written = 0;
    EXPECT_TRUE(WritePrinter(printer, const_cast<char*>(label), sizeof(label) - 1, &written));
    EXPECT_TRUE(EndDocPrinter(printer));
    ClosePrinter(printer);
    EXPECT_EQ(ReadFileBytes(JoinPath(jobs, L"192.168.1.50.prn")), std::string(label));
}

TEST_F(TcpIpPort, InvalidHostOrPortNumberMakesNoCallAndNoLineButSaysWhyInTheLog) {
    ScopedLog log;
    const DWORD calls = MonitorCallCount();
    EXPECT_FALSE(AddStandardTcpIpPort(page_.sink(), L"10.0.0.1", L"10.0.0.1", 0));
    EXPECT_FALSE(ConfigureStandardTcpIpPort(page_.sink(), L"10.0.0.1", L"10.0.0.1", 0));
    EXPECT_FALSE(AddStandardTcpIpPort(page_.sink(), L"10.0.0.1", L"", 9100));
    EXPECT_FALSE(AddStandardTcpIpPort(page_.sink(), L"10.0.0.1", nullptr, 9100));
    EXPECT_FALSE(AddStandardTcpIpPort(page_.sink(), L"10.0.0.1", L"10.0.0.1", -9100));
    EXPECT_FALSE(AddStandardTcpIpPort(page_.sink(), L"10.0.0.1", L"10.0.0.1", 65536));
    EXPECT_TRUE(page_.Lines().empty());
    EXPECT_EQ(MonitorCallCount(), calls);
    EXPECT_FALSE(ReadStoredPort(L"10.0.0.1").exists);
    // The later queue failure ("4001-1796") is explained by one line per refusal.
    const auto lines = log.Lines();
    EXPECT_EQ(Containing(lines, "refused, host address").size(), 6u);
    EXPECT_EQ(Containing(lines, "DbgPrint: AddPort: 10.0.0.1 refused, host address \"10.0.0.1\" empty or TCP port "
                                "65536 outside 1-65535; nothing sent.")
                  .size(),
              1u);
}

TEST_F(TcpIpPort, AddOfAnExistingPortFailsAndConfigureBringsItToTheNewValues) {
    ASSERT_TRUE(AddStandardTcpIpPort(page_.sink(), L"10.0.0.7", L"10.0.0.7", 9100));
    page_.Clear();

    // The monitor is reached and refuses: that is a failure, not a success.
    EXPECT_FALSE(AddStandardTcpIpPort(page_.sink(), L"10.0.0.7", L"10.0.0.8", 9101));
    EXPECT_EQ(page_.Lines(), (Lines{L"Add port: 10.0.0.7, 10.0.0.8 ...", L"Failed\r\n"}));
    EXPECT_EQ(ReadStoredPort(L"10.0.0.7").hostName, L"10.0.0.7");
    page_.Clear();

    EXPECT_TRUE(ConfigureStandardTcpIpPort(page_.sink(), L"10.0.0.7", L"10.0.0.8", 9101));
    EXPECT_EQ(page_.Lines(), (Lines{L"Update port: 10.0.0.7, 10.0.0.8 ...", L"OK\r\n"}));
    const StoredPort stored = ReadStoredPort(L"10.0.0.7");
    EXPECT_EQ(stored.hostName, L"10.0.0.8");
    EXPECT_EQ(stored.portNumber, 9101u);
    EXPECT_EQ(stored.protocol, 1u);
    EXPECT_EQ(stored.snmpEnabled, 0u);
    page_.Clear();

    // Configuring a port the monitor does not have fails as well.
    EXPECT_FALSE(ConfigureStandardTcpIpPort(page_.sink(), L"10.0.0.99", L"10.0.0.99", 9100));
    EXPECT_EQ(page_.Lines(), (Lines{L"Update port: 10.0.0.99, 10.0.0.99 ...", L"Failed\r\n"}));
    EXPECT_FALSE(ReadStoredPort(L"10.0.0.99").exists);
}

TEST_F(TcpIpPort, DeleteRemovesThePortsOfNetworkEntriesOnly) {
    ASSERT_TRUE(
        AddStandardTcpIpPort(ResultPage::SinkFor(nullptr), L"172.16.0.3", L"172.16.0.3", 9100));  // no page: no lines
    ASSERT_TRUE(AddStandardTcpIpPort(ResultPage::SinkFor(nullptr), L"172.16.0.4", L"172.16.0.4", 9100));
    EXPECT_TRUE(page_.Lines().empty());

    const PrinterInstallEntry entries[] = {
        NetworkEntry(L"172.16.0.3"), NetworkEntry(L"172.16.0.4", 1),  // not a network entry: its port stays
        NetworkEntry(L"172.16.0.5"),                                  // unknown to the monitor
    };
    DeleteStandardTcpIpPort(page_.sink(), entries, 3);
    EXPECT_EQ(page_.Lines(),
              (Lines{L"Remove port: 172.16.0.3 ...", L"OK\r\n", L"Remove port: 172.16.0.5 ...", L"Failed\r\n"}));
    EXPECT_FALSE(ReadStoredPort(L"172.16.0.3").exists);
    EXPECT_TRUE(ReadStoredPort(L"172.16.0.4").exists);
    EXPECT_EQ(MonitorOfPort(L"172.16.0.3"), L"");

    page_.Clear();
    DeleteStandardTcpIpPort(page_.sink(), nullptr, 3);
    DeleteStandardTcpIpPort(page_.sink(), entries, 0);
    EXPECT_TRUE(page_.Lines().empty());
}

TEST_F(TcpIpPort, OverLongNamesAreRefusedWithoutACallAndNeverCut) {
    const std::wstring port63(63, L'p');
    const std::wstring port64(64, L'p');
    const std::wstring host48 = L"h" + std::wstring(47, L'x');
    const std::wstring host49 = L"h" + std::wstring(48, L'x');

    // The widest texts the monitor's fields hold arrive whole.
    EXPECT_TRUE(AddStandardTcpIpPort(page_.sink(), port63.c_str(), host48.c_str(), 9100));
    const StoredPort stored = ReadStoredPort(port63);
    ASSERT_TRUE(stored.exists);
    EXPECT_EQ(stored.hostName, host48);
    page_.Clear();

    const DWORD calls = MonitorCallCount();
    EXPECT_FALSE(AddStandardTcpIpPort(page_.sink(), port64.c_str(), L"10.0.0.1", 9100));
    EXPECT_FALSE(ConfigureStandardTcpIpPort(page_.sink(), port63.c_str(), host49.c_str(), 9100));
    EXPECT_FALSE(AddStandardTcpIpPort(page_.sink(), L"", L"10.0.0.1", 9100));
    EXPECT_FALSE(AddStandardTcpIpPort(page_.sink(), nullptr, L"10.0.0.1", 9100));
    ASSERT_EQ(page_.Lines().size(), 8u);
    EXPECT_EQ(page_.Lines()[0], L"Add port: " + port64 + L", 10.0.0.1 ...");
    for (std::size_t i = 1; i < 8; i += 2) EXPECT_EQ(page_.Lines()[i], L"Failed\r\n") << i;
    EXPECT_EQ(ReadStoredPort(port63).hostName, host48);  // not reconfigured to a cut host
    page_.Clear();

    // A port-name field without its terminator, and one longer than the monitor's field.
    PrinterInstallEntry unterminated{};
    for (char16_t& c : unterminated.portName) c = u'q';
    unterminated.portKind = kPortKindStandardTcpIp;
    const PrinterInstallEntry tooLong = NetworkEntry(port64.c_str());
    const PrinterInstallEntry entries[] = {unterminated, tooLong};
    DeleteStandardTcpIpPort(page_.sink(), entries, 2);
    ASSERT_EQ(page_.Lines().size(), 4u);
    EXPECT_EQ(page_.Lines()[0], L"Remove port: " + std::wstring(100, L'q') + L" ...");  // cut for the page only
    EXPECT_EQ(page_.Lines()[1], L"Failed\r\n");
    EXPECT_EQ(page_.Lines()[3], L"Failed\r\n");
    EXPECT_EQ(MonitorCallCount(), calls);
    EXPECT_TRUE(ReadStoredPort(port63).exists);
}

TEST_F(TcpIpPort, WithoutTheMonitorEveryCallFails) {
    ASSERT_TRUE(DeleteMonitorW(nullptr, nullptr, const_cast<LPWSTR>(kTcpIpMonitorName))) << GetLastError();
    EXPECT_FALSE(AddStandardTcpIpPort(page_.sink(), L"10.9.9.9", L"10.9.9.9", 9100));
    EXPECT_FALSE(ConfigureStandardTcpIpPort(page_.sink(), L"10.9.9.9", L"10.9.9.9", 9100));
    const PrinterInstallEntry entries[] = {NetworkEntry(L"10.9.9.9")};
    DeleteStandardTcpIpPort(page_.sink(), entries, 1);
    EXPECT_EQ(page_.Lines(),
              (Lines{L"Add port: 10.9.9.9, 10.9.9.9 ...", L"Failed\r\n", L"Update port: 10.9.9.9, 10.9.9.9 ...",
                     L"Failed\r\n", L"Remove port: 10.9.9.9 ...", L"Failed\r\n"}));
    InstallTcpIpMonitor();
    EXPECT_TRUE(AddStandardTcpIpPort(ResultPage::SinkFor(nullptr), L"10.9.9.9", L"10.9.9.9", 9100));
}

}  // namespace
}  // namespace kelno::test
