// The install page with the network printers of the private test network: a printer that
// answers the page's broadcast is listed, the "NET/Wi-Fi" filter shows it with its address in the
// IP address control, and Next makes it a standard TCP/IP port request. Skipped outside the
// bench's network: no discovery socket is opened anywhere else.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "base/win/scoped_seam.h"
#include "common/win/seams.h"
#include "discovery/port_record.h"
#include "discovery/win/network_discovery.h"
#include "tests/support/fields.h"
#include "tests/support/install_page_host.h"
#include "tests/support/simulated_network_printer.h"

namespace kelno::test {
namespace {

bool HasRow(const InstallPageHost& host, const std::wstring& port, bool selected) {
    for (const auto& row : host.Rows())
        if (row.port == port && row.selected == selected) return true;
    return false;
}

TEST(InstallPageNetworkTest, AnsweringPrinterBecomesANetworkRequest) {
    const std::string problem = NetworkBenchProblem();
    if (!problem.empty()) GTEST_SKIP() << problem;
    ASSERT_EQ(SimulatedPrinterCommand("reset").rfind("ok", 0), 0u);
    AddSimulatedPrinter("from=10.77.0.50 model=MX-420");

    // Short passes of the poll thread, so that the list follows within a second.
    ScopedSeam idle(seams::Time().discoveryIdlePollMs, 200);
    ScopedSeam listed(seams::Time().discoveryListedPollMs, 200);
    ScopedSeam answers(seams::Time().discoveryAnswerWaitMs, 300);
    ASSERT_GT(CollectLocalAddresses(), 0u);
    ASSERT_TRUE(OpenDiscoverySockets());
    {
        InstallPageHost host;
        ASSERT_TRUE(host.Created());
        // The first list: connected and answering printers, the answering one selected.
        ASSERT_TRUE(PumpUntil([&] { return HasRow(host, L"10.77.0.50", true); }, std::chrono::seconds(20)));
        EXPECT_EQ(host.Text(IDC_MODEL_LIST), L"Tavolen MX-420");

        host.Click(IDC_FILTER_NETWORK);
        ASSERT_TRUE(HasRow(host, L"10.77.0.50", true));
        DWORD address = 0;
        SendMessageW(host.Control(IDC_IP_ADDRESS), IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
        EXPECT_EQ(address, static_cast<DWORD>(MAKEIPADDRESS(10, 77, 0, 50)));
        EXPECT_EQ(host.Text(IDC_TCP_PORT), L"9100");

        host.PressNext();
        EXPECT_TRUE(host.Prompts().empty());
        const PrinterInstallEntry& request = *host.State().request;
        EXPECT_EQ(WideField(request.portName), L"10.77.0.50");
        EXPECT_EQ(WideField(request.hostAddress), L"10.77.0.50");
        EXPECT_EQ(request.tcpPortNumber, 9100);
        EXPECT_EQ(request.portKind, 3);
        EXPECT_EQ(WideField(request.modelName), L"Tavolen MX-420");
    }
    CloseDiscovery();
    FreeLocalAddresses();
}

}  // namespace
}  // namespace kelno::test
