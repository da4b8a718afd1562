// Network printer discovery end to end: real Winsock sockets, receive threads and the poll
// thread, inside the private network of scripts/wine-run (KELNO_NETNS). "The PC" has two
// adapters, kelno-pc0 with 10.77.0.1 and kelno-pc1 with 10.77.1.1; the simulated printer
// answers from 10.77.0.50-52 on the far side and is configured over its control port. Nothing
// here can reach any other network: without the bench every test is skipped before a socket is
// opened.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "discovery/win/network_discovery.h"
#include "discovery/port_record.h"
#include "common/win/log.h"
#include "common/win/seams.h"
#include "drvwizard/win/wizard_messages.h"
#include "tests/support/scoped_log.h"
#include "tests/support/wine_test_support.h"
#include "tests/wine/simulated_printer/control_protocol.h"

namespace kelno::test {
namespace {

constexpr char kPcAddresses[] = "kelno-pc0=10.77.0.1/24 kelno-pc1=10.77.1.1/24";

// Why this program may not open discovery sockets here, or empty when it may: it must run in
// the bench's network, where every adapter address is 0.0.0.0 or one of the bench's 10.77.x.x.
std::string BenchProblem() {
    wchar_t flag[4] = L"";
    if (GetEnvironmentVariableW(L"KELNO_NETNS_BENCH", flag, 4) != 1 || flag[0] != L'1')
        return "not inside the private test network (run through scripts/wine-run with KELNO_NETNS=1)";
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) return "no network adapters";
    std::vector<IP_ADAPTER_INFO> adapters(size / sizeof(IP_ADAPTER_INFO) + 1);
    size = static_cast<ULONG>(adapters.size() * sizeof(IP_ADAPTER_INFO));
    if (GetAdaptersInfo(adapters.data(), &size) != NO_ERROR) return "GetAdaptersInfo failed";
    for (const IP_ADAPTER_INFO* a = adapters.data(); a; a = a->Next)
        for (const IP_ADDR_STRING* ip = &a->IpAddressList; ip; ip = ip->Next) {
            const std::string address = ip->IpAddress.String;
            if (address != "0.0.0.0" && address.rfind("10.77.", 0) != 0)
                return "adapter address " + address + " is not the test network's";
        }
    return {};
}

// The usable addresses of the adapters, in the order GetAdaptersInfo reports them.
std::vector<std::string> AdapterAddresses() {
    std::vector<std::string> addresses;
    ULONG size = 0;
    if (GetAdaptersInfo(nullptr, &size) != ERROR_BUFFER_OVERFLOW) return addresses;
    std::vector<IP_ADAPTER_INFO> adapters(size / sizeof(IP_ADAPTER_INFO) + 1);
    size = static_cast<ULONG>(adapters.size() * sizeof(IP_ADAPTER_INFO));
    if (GetAdaptersInfo(adapters.data(), &size) != NO_ERROR) return addresses;
    for (const IP_ADAPTER_INFO* a = adapters.data(); a; a = a->Next)
        for (const IP_ADDR_STRING* ip = &a->IpAddressList; ip; ip = ip->Next)
            if (std::string(ip->IpAddress.String) != "0.0.0.0") addresses.push_back(ip->IpAddress.String);
    return addresses;
}

const std::string& CachedBenchProblem() {
    static const std::string problem = BenchProblem();
    return problem;
}

// One command to the simulated printer; its reply line, or "error ..." when it cannot be reached.
std::string PrinterCommand(const std::string& line) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return "error WSAStartup";
    std::string reply = "error no connection";
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(simulated_printer::kControlPort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (s != INVALID_SOCKET && connect(s, reinterpret_cast<sockaddr*>(&to), sizeof(to)) == 0) {
        const std::string out = line + "\n";
        send(s, out.data(), static_cast<int>(out.size()), 0);
        std::string in;
        char c;
        while (recv(s, &c, 1, 0) == 1 && c != '\n') in += c;
        reply = in;
    }
    if (s != INVALID_SOCKET) closesocket(s);
    WSACleanup();
    return reply;
}

// Adds a printer (arguments of the control protocol's "add") and returns its id, or -1.
int AddPrinter(const std::string& arguments) {
    const std::string reply = PrinterCommand("add " + arguments);
    EXPECT_EQ(reply.rfind("ok ", 0), 0u) << reply;
    return reply.rfind("ok ", 0) == 0 ? std::stoi(reply.substr(3)) : -1;
}

long PrinterAnswers(int id) {
    const std::string reply = PrinterCommand("answers " + std::to_string(id));
    return reply.rfind("ok ", 0) == 0 ? std::stol(reply.substr(3)) : -1;
}

struct RequestLog {
    long total = -1;
    long valid = -1;
    std::vector<std::string> sources;  // "address:port" of each valid request
};

RequestLog PrinterRequests() {
    const std::string reply = PrinterCommand("requests");
    RequestLog log;
    if (sscanf(reply.c_str(), "ok total=%ld valid=%ld", &log.total, &log.valid) != 2) return log;
    const std::size_t at = reply.find("sources=");
    std::string rest = at == std::string::npos ? "" : reply.substr(at + 8);
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        log.sources.push_back(rest.substr(0, comma));
        rest = comma == std::string::npos ? "" : rest.substr(comma + 1);
    }
    return log;
}

// Replaces the PC's addresses for the lifetime of the object, then gives the usual ones back.
class ScopedPcAddresses {
public:
    explicit ScopedPcAddresses(const std::string& addresses) : reply_(PrinterCommand("pc-addresses " + addresses)) {}
    ~ScopedPcAddresses() { PrinterCommand(std::string("pc-addresses ") + kPcAddresses); }
    const std::string& Reply() const { return reply_; }

private:
    std::string reply_;
};

struct Row {
    std::string port;
    std::string description;
    unsigned type;
    bool operator<(const Row& o) const { return port < o.port || (port == o.port && description < o.description); }
    bool operator==(const Row& o) const { return port == o.port && description == o.description && type == o.type; }
};

std::string Ascii(std::u16string_view text) { return std::string(text.begin(), text.end()); }

std::vector<Row> Rows(const PortList& list) {
    std::vector<Row> rows;
    for (const PortRecord* r = list.head; r; r = r->next)
        rows.push_back({Ascii(FieldText(r->portName)), Ascii(FieldText(r->description)), r->portType});
    return rows;
}

// NetworkPrinterList as a set of rows, read under its lock.
std::set<Row> ListedPrinters() {
    NetworkPrinterListLock lock;
    const std::vector<Row> rows = Rows(NetworkPrinterList);
    return std::set<Row>(rows.begin(), rows.end());
}

std::uint32_t ListedCount() {
    NetworkPrinterListLock lock;
    return NetworkPrinterList.count;
}

std::vector<std::string> SocketAddresses() {
    std::vector<std::string> addresses;
    for (const DiscoverySocket* e = DiscoverySocketList; e; e = e->next) addresses.push_back(e->address);
    return addresses;
}

// The install page's part: a window on this thread that hands every reply to OnDiscoveryAnswer
// and notes every WM_PORTS_CHANGED with the list as it stood then.
class ReceiverWindow {
public:
    ReceiverWindow() {
        static const ATOM atom = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &ReceiverWindow::Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"KelnoDiscoveryTestReceiver";
            return RegisterClassW(&wc);
        }();
        hwnd_ = atom ? CreateWindowExW(0, L"KelnoDiscoveryTestReceiver", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       GetModuleHandleW(nullptr), this)
                     : nullptr;
    }
    ~ReceiverWindow() {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    ReceiverWindow(const ReceiverWindow&) = delete;
    ReceiverWindow& operator=(const ReceiverWindow&) = delete;

    HWND Handle() const { return hwnd_; }

    // Dispatches this thread's messages until done() holds or the time is up.
    bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        for (;;) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            if (done()) return true;
            const ULONGLONG now = GetTickCount64();
            if (now >= end) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 20)),
                                      QS_ALLINPUT);
        }
    }
    void PumpFor(DWORD ms) {
        PumpUntil([] { return false; }, ms);
    }

    int replies = 0;                     // WM_DISCOVERY_REPLY received
    int added = 0;                       // of which OnDiscoveryAnswer added a record
    std::vector<std::set<Row>> changes;  // NetworkPrinterList at each WM_PORTS_CHANGED
    std::vector<ULONGLONG> changeTimes;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        auto* self = reinterpret_cast<ReceiverWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (self && message == WM_DISCOVERY_REPLY) {
            ++self->replies;
            if (OnDiscoveryAnswer(reinterpret_cast<const std::uint8_t*>(lParam), static_cast<std::size_t>(wParam)))
                ++self->added;
            return 0;
        }
        if (self && message == WM_PORTS_CHANGED) {
            self->changes.push_back(ListedPrinters());
            self->changeTimes.push_back(GetTickCount64());
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    HWND hwnd_ = nullptr;
};

// Shorter waits of the discovery poll for one test, through the time seam.
struct PollWaits {
    PollWaits(DWORD idleMs, DWORD listedMs, DWORD answerWaitMs)
        : idle(seams::Time().discoveryIdlePollMs, idleMs),
          listed(seams::Time().discoveryListedPollMs, listedMs),
          answer(seams::Time().discoveryAnswerWaitMs, answerWaitMs) {}
    ScopedSeam<std::atomic<DWORD>> idle, listed, answer;
};

class NetworkDiscovery : public ::testing::Test {
protected:
    void SetUp() override {
        if (!CachedBenchProblem().empty()) GTEST_SKIP() << CachedBenchProblem();
        ASSERT_EQ(PrinterCommand("reset"), "ok") << "the simulated printer does not answer on its control port";
        FreeNetworkPrinterList();
        FreeAll(SpoolerPortList);
    }
    void TearDown() override {
        CloseDiscovery();
        FreeLocalAddresses();
        FreeNetworkPrinterList();
        FreeAll(SpoolerPortList);
    }

    // What the program entry does before the wizard.
    static bool Open() {
        CollectLocalAddresses();
        return OpenDiscoverySockets();
    }

    // The install page becoming active: one broadcast naming the window, then the replies.
    static bool BroadcastAndWait(ReceiverWindow& window, int replies) {
        BroadcastDiscovery(window.Handle(), DiscoverySocketList);
        return window.PumpUntil([&] { return window.replies >= replies; });
    }

    static bool WaitForValidRequests(long count) {
        const ULONGLONG end = GetTickCount64() + 5000;
        for (;;) {
            if (PrinterRequests().valid >= count) return true;
            if (GetTickCount64() > end) return false;
            Sleep(20);
        }
    }
};

// --- Local addresses and sockets ---------------------------------------------------------

TEST_F(NetworkDiscovery, LocalAddressesAreTheUsableAddressesOfTheAdapters) {
    const std::vector<std::string> adapters = AdapterAddresses();
    ASSERT_EQ(std::set<std::string>(adapters.begin(), adapters.end()),
              (std::set<std::string>{"10.77.0.1", "10.77.1.1"}));
    DebugOutputCapture debug;
    EXPECT_EQ(CollectLocalAddresses(), 2u);
    std::vector<std::string> listed;
    for (const LocalAddress* a = LocalAddressList; a; a = a->next) {
        listed.push_back(a->address);
        EXPECT_STREQ(a->mask, "255.255.255.0") << a->address;
    }
    // Pushed at the head: the last adapter's address comes first.
    EXPECT_EQ(listed, std::vector<std::string>(adapters.rbegin(), adapters.rend()));

    debug.Settle();
    EXPECT_EQ(debug.MessagesContaining(L"Adapter Name:{").size(), 2u);
    EXPECT_EQ(debug.MessagesContaining(L"Adapter Description:kelno-pc0").size(), 1u);
    EXPECT_EQ(debug.MessagesContaining(L"Adapter Description:kelno-pc1").size(), 1u);
    EXPECT_EQ(debug.MessagesContaining(L"Adapter Type:6").size(), 2u);
    EXPECT_EQ(debug.MessagesContaining(L"IP Address:10.77.0.1").size(), 1u);
    EXPECT_EQ(debug.MessagesContaining(L"IP Address:10.77.1.1").size(), 1u);

    // A second collection replaces the list instead of adding to it.
    EXPECT_EQ(CollectLocalAddresses(), 2u);
    int entries = 0;
    for (const LocalAddress* a = LocalAddressList; a; a = a->next) ++entries;
    EXPECT_EQ(entries, 2);
}

TEST_F(NetworkDiscovery, EachAddressGetsABoundSocketAndAReceiveThread) {
    DebugOutputCapture debug;
    ASSERT_TRUE(Open());
    // Pushed at the head while walking the address list: back in adapter order.
    EXPECT_EQ(SocketAddresses(), AdapterAddresses());
    for (const DiscoverySocket* e = DiscoverySocketList; e; e = e->next) {
        ASSERT_NE(e->socket, INVALID_SOCKET) << e->address;
        EXPECT_NE(e->receiveThread, nullptr) << e->address;
        EXPECT_EQ(e->receiver.load(), nullptr);
        sockaddr_in bound{};
        int length = sizeof(bound);
        ASSERT_EQ(getsockname(e->socket, reinterpret_cast<sockaddr*>(&bound), &length), 0);
        char text[16] = "";
        inet_ntop(AF_INET, &bound.sin_addr, text, sizeof(text));
        EXPECT_STREQ(text, e->address);
        EXPECT_EQ(ntohs(bound.sin_port), 4001);
    }
    ASSERT_TRUE(debug.WaitFor(L"Create UDP receiving thread for IP:10.77.0.1"));
    ASSERT_TRUE(debug.WaitFor(L"Create UDP receiving thread for IP:10.77.1.1"));
    EXPECT_TRUE(debug.MessagesContaining(L"Failed to bind").empty());

    // Opening again while open adds nothing.
    EXPECT_TRUE(OpenDiscoverySockets());
    EXPECT_EQ(SocketAddresses().size(), 2u);
}

TEST_F(NetworkDiscovery, TheRequestIsTheFixed32BytesFromEveryAddressToPort22368) {
    ASSERT_TRUE(Open());
    BroadcastDiscovery(nullptr, DiscoverySocketList);
    ASSERT_TRUE(WaitForValidRequests(2));
    const RequestLog log = PrinterRequests();
    EXPECT_EQ(log.total, 2) << "every request the printer saw was the exact 32-byte request";
    EXPECT_EQ(std::set<std::string>(log.sources.begin(), log.sources.end()),
              (std::set<std::string>{"10.77.0.1:4001", "10.77.1.1:4001"}));
}

TEST_F(NetworkDiscovery, ASocketThatCannotBeBoundStaysListedWithoutAThreadAndStillSends) {
    // Port 4001 of the first adapter's address is taken, so the socket at the head of the list
    // cannot be bound.
    const std::vector<std::string> adapters = AdapterAddresses();
    ASSERT_EQ(adapters.size(), 2u);
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    const SOCKET squatter = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in taken{};
    taken.sin_family = AF_INET;
    taken.sin_port = htons(4001);
    inet_pton(AF_INET, adapters[0].c_str(), &taken.sin_addr);
    ASSERT_EQ(bind(squatter, reinterpret_cast<sockaddr*>(&taken), sizeof(taken)), 0);

    DebugOutputCapture debug;
    ASSERT_TRUE(Open());
    ASSERT_EQ(SocketAddresses(), adapters);
    const DiscoverySocket* unbound = DiscoverySocketList;
    EXPECT_NE(unbound->socket, INVALID_SOCKET);
    EXPECT_EQ(unbound->receiveThread, nullptr);
    EXPECT_NE(unbound->next->receiveThread, nullptr);
    ASSERT_TRUE(debug.WaitFor(Widen("Failed to bind with IP:" + adapters[0])));
    ASSERT_TRUE(debug.WaitFor(Widen("Create UDP receiving thread for IP:" + adapters[1])));
    EXPECT_TRUE(debug.MessagesContaining(Widen("Create UDP receiving thread for IP:" + adapters[0])).empty());

    // Both send; the unbound one from a port of the system's choosing.
    BroadcastDiscovery(nullptr, DiscoverySocketList);
    ASSERT_TRUE(WaitForValidRequests(2));
    const std::vector<std::string> sources = PrinterRequests().sources;
    EXPECT_EQ(std::count(sources.begin(), sources.end(), adapters[1] + ":4001"), 1);
    EXPECT_EQ(std::count(sources.begin(), sources.end(), adapters[0] + ":4001"), 0);

    CloseDiscovery();
    closesocket(squatter);
    WSACleanup();
}

TEST_F(NetworkDiscovery, AFailedSendIsLoggedAndTheOtherSocketsStillSend) {
    ScopedLog log{L"netlog"};
    ASSERT_TRUE(log.started);
    ASSERT_TRUE(Open());
    ASSERT_NE(DiscoverySocketList, nullptr);
    ASSERT_NE(DiscoverySocketList->next, nullptr);
    // The head entry loses its socket, as an entry whose socket could not be made has none.
    DiscoverySocket* broken = DiscoverySocketList;
    closesocket(broken->socket);
    broken->socket = INVALID_SOCKET;
    ASSERT_EQ(WaitForSingleObject(broken->receiveThread, 5000), static_cast<DWORD>(WAIT_OBJECT_0))
        << "a receive error ends the receive thread";

    BroadcastDiscovery(nullptr, DiscoverySocketList);
    ASSERT_TRUE(WaitForValidRequests(1));
    Sleep(200);
    EXPECT_EQ(PrinterRequests().sources, (std::vector<std::string>{std::string(broken->next->address) + ":4001"}));
    EXPECT_EQ(log.Containing("DbgPrint: UDP send data failed with error 10038").size(), 1u);  // WSAENOTSOCK
    EXPECT_EQ(log.Containing("[NetDiscovery][Receive] decision=stop reason=receive_error address=" +
                             std::string(broken->address))
                  .size(),
              1u);
}

// --- Answers -----------------------------------------------------------------------------

TEST_F(NetworkDiscovery, ASupportedAnswerBecomesANetworkPortNamedByItsPayloadAddress) {
    // C0 A8 01 32 in the answer, sent from 10.77.0.50: the payload decides.
    AddPrinter("from=10.77.0.50 ip=192.168.1.50 model=MX-410");
    ReceiverWindow window;
    ASSERT_TRUE(Open());
    ASSERT_TRUE(BroadcastAndWait(window, 2));
    EXPECT_EQ(ListedPrinters(), (std::set<Row>{{"192.168.1.50", "Tavolen MX-410", 3}}));
    for (const DiscoverySocket* e = DiscoverySocketList; e; e = e->next) EXPECT_EQ(e->receiver.load(), window.Handle());
}

TEST_F(NetworkDiscovery, AModelNameWithTheBrandIsKeptAsDescription) {
    AddPrinter("from=10.77.0.51 model=Tavolen MX-430");
    ReceiverWindow window;
    ASSERT_TRUE(Open());
    ASSERT_TRUE(BroadcastAndWait(window, 2));
    EXPECT_EQ(ListedPrinters(), (std::set<Row>{{"10.77.0.51", "Tavolen MX-430", 3}}));
}

TEST_F(NetworkDiscovery, ThePrinterAnsweringOnBothLocalAddressesIsListedOnce) {
    const int printer = AddPrinter("from=10.77.0.50 ip=192.168.1.50 model=MX-420");
    ReceiverWindow window;
    ASSERT_TRUE(Open());
    ASSERT_TRUE(BroadcastAndWait(window, 2));
    EXPECT_EQ(PrinterAnswers(printer), 2);
    EXPECT_EQ(window.added, 1);
    EXPECT_EQ(ListedPrinters(), (std::set<Row>{{"192.168.1.50", "Tavolen MX-420", 3}}));
    EXPECT_EQ(ListedCount(), 1u);
}

TEST_F(NetworkDiscovery, SeveralPrintersAndOneLocalAddressOnly) {
    AddPrinter("from=10.77.0.50 model=MX-410");
    AddPrinter("from=10.77.0.51 model=MX-310");
    AddPrinter("from=10.77.0.52 to=10.77.1.1 model=Tavolen MX-430");  // answers one adapter only
    ReceiverWindow window;
    ASSERT_TRUE(Open());
    ASSERT_TRUE(BroadcastAndWait(window, 5));
    EXPECT_EQ(ListedPrinters(), (std::set<Row>{{"10.77.0.50", "Tavolen MX-410", 3},
                                               {"10.77.0.51", "Tavolen MX-310", 3},
                                               {"10.77.0.52", "Tavolen MX-430", 3}}));
}

TEST_F(NetworkDiscovery, AnswersOfUnsupportedModelsAddNothingAndAreLogged) {
    ScopedLog log{L"netlog"};
    AddPrinter("from=10.77.0.50 model=MX-999");
    AddPrinter("from=10.77.0.51 model=Quillon MX-410");
    AddPrinter("from=10.77.0.52 model=");
    ReceiverWindow window;
    ASSERT_TRUE(Open());
    ASSERT_TRUE(BroadcastAndWait(window, 6));
    EXPECT_EQ(window.added, 0);
    EXPECT_TRUE(ListedPrinters().empty());
    EXPECT_EQ(
        log.Containing("[NetDiscovery][Answer] decision=drop reason=unsupported_model port=10.77.0.50 model=MX-999")
            .size(),
        2u);
}

TEST_F(NetworkDiscovery, AnswersOf115And117BytesAreIgnored) {
    const int shortAnswer = AddPrinter("from=10.77.0.50 size=115 model=MX-410");
    const int longAnswer = AddPrinter("from=10.77.0.51 size=117 model=MX-410");
    // Sent after the other two, so it arrives after them on each socket.
    AddPrinter("from=10.77.0.52 model=MX-310");
    ReceiverWindow window;
    ASSERT_TRUE(Open());
    ASSERT_TRUE(BroadcastAndWait(window, 2));
    window.PumpFor(300);
    EXPECT_EQ(PrinterAnswers(shortAnswer), 2);
    EXPECT_EQ(PrinterAnswers(longAnswer), 2);
    EXPECT_EQ(window.replies, 2);
    EXPECT_EQ(ListedPrinters(), (std::set<Row>{{"10.77.0.52", "Tavolen MX-310", 3}}));
}

TEST_F(NetworkDiscovery, EmptyAndOversizedDatagramsDoNotEndTheReceiveThreads) {
    const int empty = AddPrinter("from=10.77.0.50 size=0 model=MX-410");
    const int oversized = AddPrinter("from=10.77.0.51 size=2000 model=MX-410");
    ReceiverWindow window;
    ASSERT_TRUE(Open());
    BroadcastDiscovery(window.Handle(), DiscoverySocketList);
    ASSERT_TRUE(window.PumpUntil([&] { return PrinterAnswers(empty) == 2 && PrinterAnswers(oversized) == 2; }));
    window.PumpFor(300);
    EXPECT_EQ(window.replies, 0);
    for (const DiscoverySocket* e = DiscoverySocketList; e; e = e->next)
        EXPECT_EQ(WaitForSingleObject(e->receiveThread, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << e->address;

    // Both sockets still hand over the next answer.
    PrinterCommand("stop " + std::to_string(empty));
    PrinterCommand("stop " + std::to_string(oversized));
    AddPrinter("from=10.77.0.52 model=MX-410");
    ASSERT_TRUE(BroadcastAndWait(window, 2));
    EXPECT_EQ(ListedPrinters(), (std::set<Row>{{"10.77.0.52", "Tavolen MX-410", 3}}));
}

TEST_F(NetworkDiscovery, AnswersReachNoWindowUntilABroadcastNamesOne) {
    const int printer = AddPrinter("from=10.77.0.50 model=MX-410");
    ReceiverWindow window;
    ASSERT_TRUE(Open());
    BroadcastDiscovery(nullptr, DiscoverySocketList);
    ASSERT_TRUE(window.PumpUntil([&] { return PrinterAnswers(printer) == 2; }));
    window.PumpFor(300);
    EXPECT_EQ(window.replies, 0);
    EXPECT_TRUE(ListedPrinters().empty());

    ASSERT_TRUE(BroadcastAndWait(window, 2));
    EXPECT_EQ(ListedPrinters().size(), 1u);
}

TEST_F(NetworkDiscovery, AnAnswerReplacesTheSpoolerPortOfTheSameName) {
    for (const char16_t* name : {u"192.168.1.50", u"COM1"}) {
        PortRecordPtr record = MakePortRecord();
        ASSERT_TRUE(record);
        SetField(record->portName, name);
        record->portType = name[0] == u'C' ? kPortTypeCom : kPortTypeNetwork;
        PushFront(SpoolerPortList, std::move(record));
    }
    AddPrinter("from=10.77.0.50 ip=192.168.1.50 model=MX-410");
    ReceiverWindow window;
    ASSERT_TRUE(Open());
    ASSERT_TRUE(BroadcastAndWait(window, 2));
    const std::vector<Row> spooler = Rows(SpoolerPortList);
    ASSERT_EQ(spooler.size(), 1u);
    EXPECT_EQ(spooler[0].port, "COM1");
    EXPECT_EQ(SpoolerPortList.count, 1u);
    EXPECT_EQ(ListedPrinters().size(), 1u);
}

// --- The poll thread -----------------------------------------------------------------------

TEST_F(NetworkDiscovery, APrinterThatStopsAnsweringDisappearsAtTheNextPass) {
    const PollWaits waits(100, 800, 300);
    // The first printer takes its time, as printers on a busy network do (within the wait).
    AddPrinter("from=10.77.0.50 ip=192.168.1.50 delay=150 model=MX-410");
    const int second = AddPrinter("from=10.77.0.51 ip=192.168.1.51 model=MX-420");
    ReceiverWindow window;
    ASSERT_TRUE(Open());
    ASSERT_TRUE(BroadcastAndWait(window, 4));
    ASSERT_EQ(ListedCount(), 2u);

    ASSERT_TRUE(StartDiscoveryPoll(DiscoverySocketList));
    EXPECT_FALSE(StartDiscoveryPoll(DiscoverySocketList)) << "one poll thread at a time";
    // First pass: the count goes from 0 (the poll's start) to 2.
    ASSERT_TRUE(window.PumpUntil([&] { return window.changes.size() == 1; }));
    const std::set<Row> both{{"192.168.1.50", "Tavolen MX-410", 3}, {"192.168.1.51", "Tavolen MX-420", 3}};
    EXPECT_EQ(window.changes[0], both);

    ASSERT_EQ(PrinterCommand("stop " + std::to_string(second)), "ok");
    const ULONGLONG stopped = GetTickCount64();
    ASSERT_TRUE(window.PumpUntil([&] { return window.changes.size() == 2; }));
    EXPECT_EQ(window.changes[1], (std::set<Row>{{"192.168.1.50", "Tavolen MX-410", 3}}));
    // At most one listed interval and the answer wait, with room for a slow machine.
    EXPECT_LT(window.changeTimes[1] - stopped, 800u + 300u + 1500u);

    // Passes with the same count rebuild nothing, and the printer that still answers is listed
    // throughout them, also between a pass's broadcast and its answer.
    const long before = PrinterRequests().valid;
    std::uint32_t fewest = ListedCount(), most = fewest;
    window.PumpUntil(
        [&] {
            fewest = std::min(fewest, ListedCount());
            most = std::max(most, ListedCount());
            return false;
        },
        3000);
    EXPECT_GE(PrinterRequests().valid - before, 4) << "at least two more passes from both addresses";
    EXPECT_EQ(window.changes.size(), 2u);
    EXPECT_EQ(fewest, 1u);
    EXPECT_EQ(most, 1u);

    EXPECT_TRUE(StopDiscoveryPoll());
}

TEST_F(NetworkDiscovery, PollWaitsLongWhilePrintersAreListedAndShortWhileNoneAre) {
    const PollWaits waits(100, 60000, 200);
    ReceiverWindow window;
    ASSERT_TRUE(Open());
    BroadcastDiscovery(window.Handle(), DiscoverySocketList);
    ASSERT_TRUE(StartDiscoveryPoll(DiscoverySocketList));
    // Nothing listed: a pass every 0.3 s.
    window.PumpFor(1500);
    EXPECT_GE(PrinterRequests().valid, 2 + 2 * 3);
    EXPECT_TRUE(window.changes.empty());

    AddPrinter("from=10.77.0.50 model=MX-410");
    ASSERT_TRUE(window.PumpUntil([&] { return window.changes.size() == 1; }));
    EXPECT_EQ(window.changes[0], (std::set<Row>{{"10.77.0.50", "Tavolen MX-410", 3}}));
    // Listed: the next pass is a minute away, and stopping does not wait for it.
    const long before = PrinterRequests().valid;
    window.PumpFor(1000);
    EXPECT_EQ(PrinterRequests().valid, before);
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(StopDiscoveryPoll());
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_TRUE(StartDiscoveryPoll(DiscoverySocketList)) << "a stopped poll can be started again";
    EXPECT_TRUE(StopDiscoveryPoll());
}

TEST_F(NetworkDiscovery, CloseEndsThreadsThatAreWaitingInSendMessage) {
    const PollWaits waits(50, 300, 200);
    AddPrinter("from=10.77.0.50 model=MX-410");
    ReceiverWindow window;
    ASSERT_TRUE(Open());
    ASSERT_TRUE(BroadcastAndWait(window, 2));
    ASSERT_TRUE(StartDiscoveryPoll(DiscoverySocketList));
    ASSERT_TRUE(window.PumpUntil([&] { return window.changes.size() == 1; }));

    // This thread stops dispatching: the next pass empties the list, the answers wait in the
    // receive threads' SendMessageW, the count drops to 0 and the poll thread waits in its own
    // SendMessageW(WM_PORTS_CHANGED).
    const int repliesBefore = window.replies;
    Sleep(1500);
    EXPECT_EQ(window.replies, repliesBefore);
    const ULONGLONG start = GetTickCount64();
    CloseDiscovery();
    EXPECT_LT(GetTickCount64() - start, 3000u);
    EXPECT_EQ(DiscoverySocketList, nullptr);
    EXPECT_EQ(window.changes.size(), 2u) << "the blocked WM_PORTS_CHANGED was delivered while closing";
    EXPECT_GT(window.replies, repliesBefore) << "the blocked replies were delivered while closing";
}

// --- A machine without an address ----------------------------------------------------------

TEST_F(NetworkDiscovery, AMachineWhoseOnlyAddressIs0000SendsNothing) {
    ScopedPcAddresses none("none");
    ASSERT_EQ(none.Reply(), "ok");
    AddPrinter("from=10.77.0.50 model=MX-410");
    DebugOutputCapture debug;
    EXPECT_EQ(CollectLocalAddresses(), 0u);
    EXPECT_EQ(LocalAddressList, nullptr);
    ASSERT_TRUE(debug.WaitFor(L"IP Address:0.0.0.0"));
    debug.Settle();
    EXPECT_EQ(debug.MessagesContaining(L"IP Address:0.0.0.0").size(), 2u);
    EXPECT_EQ(debug.MessagesContaining(L"Adapter Description:kelno-pc0").size(), 1u);

    ASSERT_TRUE(OpenDiscoverySockets());
    EXPECT_EQ(DiscoverySocketList, nullptr);
    const PollWaits waits(50, 50, 50);
    ReceiverWindow window;
    BroadcastDiscovery(window.Handle(), DiscoverySocketList);
    ASSERT_TRUE(StartDiscoveryPoll(DiscoverySocketList));
    window.PumpFor(1000);
    EXPECT_TRUE(StopDiscoveryPoll());
    EXPECT_EQ(PrinterRequests().total, 0);
    EXPECT_EQ(window.replies, 0);
    EXPECT_TRUE(window.changes.empty());
}

}  // namespace
}  // namespace kelno::test
