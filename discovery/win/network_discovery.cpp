#include "discovery/win/network_discovery.h"

#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "discovery/discovery_datagram.h"
#include "discovery/port_record.h"
#include "common/win/debug_output.h"
#include "common/win/log.h"
#include "common/win/seams.h"
#include "base/win/boundary.h"
#include "base/win/wide_text.h"

namespace kelno {

LocalAddress* LocalAddressList = nullptr;
DiscoverySocket* DiscoverySocketList = nullptr;

namespace {

// How long shutting down waits for a thread before it leaves that thread's data allocated.
constexpr DWORD kThreadStopWaitMs = 10000;
// Transient receive errors in a row after which a receive thread gives up.
constexpr int kMaxTransientReceiveErrors = 64;

bool g_winsockStarted = false;
std::atomic<bool> g_closing{false};

SRWLOCK g_pollStateLock = SRWLOCK_INIT;
HANDLE g_pollThread = nullptr;

// The poll pass under way: the records of NetworkPrinterList that answered since it began.
// Guarded by the list's lock; never destroyed, like the lock.
bool g_passRunning = false;
std::vector<const PortRecord*>& AnsweredThisPass() {
    static auto* records = new std::vector<const PortRecord*>();
    return *records;
}

struct CriticalSection {
    CRITICAL_SECTION section;
    CriticalSection() { InitializeCriticalSection(&section); }
};

// Never destroyed: threads may still take the lock while the process ends.
CRITICAL_SECTION& NetworkListSection() {
    static CriticalSection* lock = new CriticalSection();
    return lock->section;
}

// Manual-reset event that ends the poll thread's waits.
HANDLE PollStopEvent() {
    static const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

// True when the stop event was set before the time ran out.
bool WaitForStop(DWORD milliseconds) {
    const HANDLE stop = PollStopEvent();
    if (!stop) {
        Sleep(milliseconds);
        return false;
    }
    return WaitForSingleObject(stop, milliseconds) == WAIT_OBJECT_0;
}

// Waits for a thread to end while dispatching the messages other threads send to this one, so
// that a discovery thread blocked in SendMessageW to the caller can finish. True when it ended.
bool WaitDispatchingSentMessages(HANDLE thread, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        const DWORD result = MsgWaitForMultipleObjectsEx(1, &thread, left, QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
        if (result == WAIT_OBJECT_0) return true;
        if (result == WAIT_OBJECT_0 + 1 && left > 0) continue;
        return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    }
}

// ANSI text (the adapter's, an answer's model name) in the system's ANSI code page.
std::u16string U16FromAnsiCodePage(std::string_view text) {
    std::u16string wide = U16FromAnsi(text);
    if (wide.empty() && !text.empty()) return U16FromAsciiAnsi(text);
    return wide;
}

// Writes "<label><ANSI value>\r\n" to the debugger output. The value is read up to its
// terminator or the end of its field, whichever comes first.
void DebugLabelled(const wchar_t* label, const char* value, std::size_t fieldChars) {
    const std::string_view text(value, LengthBounded(value, fieldChars));
    wchar_t wideValue[300] = L"";
    if (!text.empty()) {
        const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wideValue,
                                          static_cast<int>(std::size(wideValue) - 1));
        wideValue[n > 0 ? n : 0] = L'\0';
    }
    DebugOutF(L"%ws%ws\r\n", label, wideValue);
}

std::string_view FieldView(const char (&field)[kIpv4TextChars]) {
    return std::string_view(field, LengthBounded(field, kIpv4TextChars));
}

bool IsTransientReceiveError(int error) {
    // A datagram larger than the buffer, or an ICMP report about an earlier send: the socket
    // itself is fine and the next datagram can be read.
    return error == WSAEMSGSIZE || error == WSAECONNRESET || error == WSAENETRESET;
}

DWORD WINAPI ReceiveThread(LPVOID param) {
    return Guarded<DWORD>("discovery receive thread", 0, [param]() -> DWORD {
        DiscoverySocket* entry = static_cast<DiscoverySocket*>(param);
        const SOCKET socket = entry->socket;
        std::uint8_t buffer[kDiscoveryReceiveBuffer];
        int transientErrors = 0;
        for (;;) {
            sockaddr_in from{};
            int fromLength = sizeof(from);
            const int received = recvfrom(socket, reinterpret_cast<char*>(buffer), static_cast<int>(sizeof(buffer)), 0,
                                          reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (received == SOCKET_ERROR) {
                const int error = WSAGetLastError();
                if (g_closing.load()) break;
                if (IsTransientReceiveError(error) && ++transientErrors < kMaxTransientReceiveErrors) continue;
                KELNO_LOG_WARN("[NetDiscovery][Receive] decision=stop reason=receive_error address={} error={}",
                               std::string(FieldView(entry->address)), error);
                break;
            }
            transientErrors = 0;
            // Anything but an answer, an empty datagram included, is passed over.
            if (static_cast<std::size_t>(received) != kDiscoveryAnswerSize) continue;
            const HWND receiver = entry->receiver.load();
            if (receiver)
                SendMessageW(receiver, WM_DISCOVERY_REPLY, static_cast<WPARAM>(received),
                             reinterpret_cast<LPARAM>(buffer));
        }
        return 0;
    });
}

// Notes that the printer of an answer is still there. The caller holds the list's lock.
void MarkAnswered(const DiscoveryAnswer& answer) {
    if (!g_passRunning) return;
    std::u16string model = U16FromAnsiCodePage(answer.Model());
    if (model.size() > kAnswerModelMaxChars) model.resize(kAnswerModelMaxChars);
    const PortRecord* record =
        FindByPortNameAndDescription(NetworkPrinterList, Ipv4Text(answer.address), NetworkPrinterDescription(model));
    std::vector<const PortRecord*>& answered = AnsweredThisPass();
    if (record && std::find(answered.begin(), answered.end(), record) == answered.end()) answered.push_back(record);
}

// Begins a poll pass: from here on the answers are noted.
void BeginPass() {
    NetworkPrinterListLock lock;
    AnsweredThisPass().clear();
    g_passRunning = true;
}

// Ends a poll pass: the records that did not answer during it are unlinked and freed. Returns
// the count of the list after that.
std::uint32_t EndPass() {
    NetworkPrinterListLock lock;
    std::vector<const PortRecord*>& answered = AnsweredThisPass();
    PortRecord** link = &NetworkPrinterList.head;
    while (*link) {
        PortRecord* record = *link;
        if (std::find(answered.begin(), answered.end(), record) != answered.end()) {
            link = &record->next;
            continue;
        }
        *link = record->next;
        record->next = nullptr;
        PortRecordDeleter{}(record);
        if (NetworkPrinterList.count > 0) --NetworkPrinterList.count;
    }
    answered.clear();
    g_passRunning = false;
    return NetworkPrinterList.count;
}

// Ends a pass cut short by a stop: nothing is dropped.
void AbandonPass() {
    NetworkPrinterListLock lock;
    AnsweredThisPass().clear();
    g_passRunning = false;
}

// Frees every entry of the socket list (their threads have ended).
void FreeSocketEntries(DiscoverySocket* list) {
    while (list) {
        DiscoverySocket* next = list->next;
        delete list;
        list = next;
    }
}

}  // namespace

NetworkPrinterListLock::NetworkPrinterListLock() { EnterCriticalSection(&NetworkListSection()); }
NetworkPrinterListLock::~NetworkPrinterListLock() { LeaveCriticalSection(&NetworkListSection()); }

void FreeNetworkPrinterList() {
    NetworkPrinterListLock lock;
    FreeAll(NetworkPrinterList);
    AnsweredThisPass().clear();
}

void FreeLocalAddresses() {
    while (LocalAddressList) {
        LocalAddress* next = LocalAddressList->next;
        delete LocalAddressList;
        LocalAddressList = next;
    }
}

std::uint32_t CollectLocalAddresses() {
    FreeLocalAddresses();

    // The adapter list can grow between the size query and the read: ask again a few times.
    std::unique_ptr<IP_ADAPTER_INFO[]> adapters;
    ULONG size = 0;
    DWORD result = GetAdaptersInfo(nullptr, &size);
    for (int attempt = 0; attempt < 4 && result == ERROR_BUFFER_OVERFLOW; ++attempt) {
        const std::size_t count = (size + sizeof(IP_ADAPTER_INFO) - 1) / sizeof(IP_ADAPTER_INFO);
        adapters.reset(new (std::nothrow) IP_ADAPTER_INFO[count]);
        if (!adapters) {
            KELNO_LOG_WARN("[NetDiscovery][Adapters] decision=skip reason=no_memory bytes={}", size);
            return 0;
        }
        size = static_cast<ULONG>(count * sizeof(IP_ADAPTER_INFO));
        result = GetAdaptersInfo(adapters.get(), &size);
    }
    if (result != NO_ERROR) {
        if (result != ERROR_NO_DATA)
            KELNO_LOG_WARN("[NetDiscovery][Adapters] decision=skip reason=query_failed error={}", result);
        return 0;
    }

    std::uint32_t count = 0;
    for (const IP_ADAPTER_INFO* adapter = adapters.get(); adapter; adapter = adapter->Next) {
        DebugLabelled(L"Adapter Name:", adapter->AdapterName, std::size(adapter->AdapterName));
        DebugLabelled(L"Adapter Description:", adapter->Description, std::size(adapter->Description));
        DebugOutF(L"Adapter Type:%u\r\n", static_cast<unsigned>(adapter->Type));
        if (!IsDiscoveryAdapterType(adapter->Type)) continue;
        for (const IP_ADDR_STRING* ip = &adapter->IpAddressList; ip; ip = ip->Next) {
            DebugLabelled(L"IP Address:", ip->IpAddress.String, std::size(ip->IpAddress.String));
            const std::string_view address(ip->IpAddress.String,
                                           LengthBounded(ip->IpAddress.String, std::size(ip->IpAddress.String)));
            if (!IsUsableLocalAddress(address)) continue;
            LocalAddress* entry = new (std::nothrow) LocalAddress{};
            if (!entry) {
                KELNO_LOG_WARN("[NetDiscovery][Adapters] decision=skip reason=no_memory address={}",
                               std::string(address));
                continue;
            }
            CopyBounded(entry->address, std::size(entry->address), address);
            CopyBounded(
                entry->mask, std::size(entry->mask),
                std::string_view(ip->IpMask.String, LengthBounded(ip->IpMask.String, std::size(ip->IpMask.String))));
            entry->next = LocalAddressList;
            LocalAddressList = entry;
            ++count;
        }
    }
    return count;
}

bool OpenDiscoverySockets() {
    if (g_winsockStarted) return true;
    WSADATA data;
    const int started = WSAStartup(MAKEWORD(2, 0), &data);
    if (started != 0) {
        KELNO_LOG_WARN("[NetDiscovery][Sockets] decision=skip reason=winsock_start_failed error={}", started);
        return false;
    }
    g_winsockStarted = true;
    g_closing.store(false);

    for (const LocalAddress* local = LocalAddressList; local; local = local->next) {
        DiscoverySocket* entry = new (std::nothrow) DiscoverySocket{};
        if (!entry) {
            KELNO_LOG_WARN("[NetDiscovery][Sockets] decision=skip reason=no_memory address={}",
                           std::string(FieldView(local->address)));
            continue;
        }
        CopyBounded(entry->address, std::size(entry->address), FieldView(local->address));
        entry->socket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);

        wchar_t wideAddress[kIpv4TextChars] = L"";
        const std::string_view address = FieldView(entry->address);
        for (std::size_t i = 0; i < address.size(); ++i) wideAddress[i] = static_cast<unsigned char>(address[i]);

        if (entry->socket == INVALID_SOCKET) {
            DebugOutF(L"Failed to create UDP socket for IP:%ws\r\n", wideAddress);
        } else {
            const BOOL broadcast = TRUE;
            setsockopt(entry->socket, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&broadcast),
                       sizeof(broadcast));
            sockaddr_in local{};
            local.sin_family = AF_INET;
            local.sin_port = htons(kDiscoveryLocalPort);
            const bool parsed = InetPtonW(AF_INET, wideAddress, &local.sin_addr) == 1;
            if (!parsed ||
                bind(entry->socket, reinterpret_cast<const sockaddr*>(&local), sizeof(local)) == SOCKET_ERROR) {
                DebugOutF(L"Failed to bind with IP:%ws\r\n", wideAddress);
            } else {
                entry->receiveThread = CreateThread(nullptr, 0, ReceiveThread, entry, 0, nullptr);
                if (entry->receiveThread) DebugOutF(L"Create UDP receiving thread for IP:%ws\r\n", wideAddress);
                else DebugOutF(L"Failed to create UDP receiving thread for IP:%ws\r\n", wideAddress);
            }
        }
        entry->next = DiscoverySocketList;
        DiscoverySocketList = entry;
    }
    return true;
}

void BroadcastDiscovery(HWND receiver, DiscoverySocket* list) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kDiscoveryPrinterPort);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    for (DiscoverySocket* entry = list; entry; entry = entry->next) {
        if (receiver) entry->receiver.store(receiver);
        const int sent =
            sendto(entry->socket, reinterpret_cast<const char*>(kDiscoveryRequest.data()),
                   static_cast<int>(kDiscoveryRequest.size()), 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
        if (sent == SOCKET_ERROR)
            DbgPrint("UDP send data failed with error %u\n", static_cast<unsigned>(WSAGetLastError()));
    }
}

bool OnDiscoveryAnswer(const std::uint8_t* answer, std::size_t size) {
    DiscoveryAnswer parsed;
    if (!ParseDiscoveryAnswer(answer, size, parsed)) return false;
    try {
        DiscoveryAnswerResult result;
        {
            NetworkPrinterListLock lock;
            result = AddDiscoveryAnswer(NetworkPrinterList, &SpoolerPortList, parsed, U16FromAnsiCodePage);
            if (result == DiscoveryAnswerResult::added || result == DiscoveryAnswerResult::duplicate)
                MarkAnswered(parsed);
        }
        if (result == DiscoveryAnswerResult::unsupported) {
            KELNO_LOG_INFO("[NetDiscovery][Answer] decision=drop reason=unsupported_model port={} model={}",
                           U16ToAscii(Ipv4Text(parsed.address)), U16ToAscii(U16FromAnsiCodePage(parsed.Model())));
        } else if (result == DiscoveryAnswerResult::no_memory) {
            KELNO_LOG_WARN("[NetDiscovery][Answer] decision=drop reason=no_memory port={}",
                           U16ToAscii(Ipv4Text(parsed.address)));
        }
        return result == DiscoveryAnswerResult::added;
    } catch (const std::exception& e) {
        KELNO_LOG_WARN("[NetDiscovery][Answer] decision=drop reason=exception what={}", e.what());
        return false;
    }
}

DiscoveryPollTiming CurrentDiscoveryPollTiming() {
    const TimeSeams& time = seams::Time();
    const auto orStandard = [](DWORD set, DWORD standard) { return set ? set : standard; };
    return DiscoveryPollTiming{orStandard(time.discoveryIdlePollMs.load(), kDiscoveryIdlePollMs),
                               orStandard(time.discoveryListedPollMs.load(), kDiscoveryListedPollMs),
                               orStandard(time.discoveryAnswerWaitMs.load(), kDiscoveryAnswerWaitMs)};
}

DWORD WINAPI DiscoveryPollThread(LPVOID param) {
    return Guarded<DWORD>("discovery poll thread", 0, [param]() -> DWORD {
        DiscoverySocket* list = static_cast<DiscoverySocket*>(param);
        DiscoveryCountWatch watch;
        for (;;) {
            std::uint32_t listed;
            {
                NetworkPrinterListLock lock;
                listed = NetworkPrinterList.count;
            }
            const DiscoveryPollTiming timing = CurrentDiscoveryPollTiming();
            if (WaitForStop(listed != 0 ? timing.listedMs : timing.idleMs)) break;
            // The records are not emptied before the broadcast but dropped after the answer wait
            // when they did not answer: a reader never sees the list empty in between.
            BeginPass();
            BroadcastDiscovery(nullptr, list);
            if (WaitForStop(timing.answerWaitMs)) {
                AbandonPass();
                break;
            }
            const std::uint32_t count = EndPass();
            if (watch.Changed(count)) {
                const HWND receiver = list ? list->receiver.load() : nullptr;
                if (receiver) SendMessageW(receiver, WM_PORTS_CHANGED, 0, 0);
            }
        }
        return 0;
    });
}

bool StartDiscoveryPoll(DiscoverySocket* list) {
    const HANDLE stop = PollStopEvent();
    if (!stop) return false;
    AcquireSRWLockExclusive(&g_pollStateLock);
    bool started = false;
    if (!g_pollThread) {
        ResetEvent(stop);
        g_pollThread = CreateThread(nullptr, 0, DiscoveryPollThread, list, 0, nullptr);
        started = g_pollThread != nullptr;
    }
    ReleaseSRWLockExclusive(&g_pollStateLock);
    if (!started) KELNO_LOG_WARN("[NetDiscovery][Poll] decision=skip reason=not_started error={}", GetLastError());
    return started;
}

bool StopDiscoveryPoll() {
    AcquireSRWLockExclusive(&g_pollStateLock);
    const HANDLE thread = g_pollThread;
    g_pollThread = nullptr;
    ReleaseSRWLockExclusive(&g_pollStateLock);
    if (!thread) return true;

    SetEvent(PollStopEvent());
    if (WaitDispatchingSentMessages(thread, kThreadStopWaitMs)) {
        CloseHandle(thread);
        return true;
    }
    // Still running: keep the handle so that nobody starts a second one beside it.
    KELNO_LOG_WARN("[NetDiscovery][Poll] decision=abandon reason=stop_timeout waitedMs={}", kThreadStopWaitMs);
    AcquireSRWLockExclusive(&g_pollStateLock);
    if (!g_pollThread) g_pollThread = thread;
    else CloseHandle(thread);
    ReleaseSRWLockExclusive(&g_pollStateLock);
    return false;
}

void CloseDiscovery() {
    bool allEnded = StopDiscoveryPoll();
    if (const HANDLE stop = PollStopEvent()) SetEvent(stop);

    g_closing.store(true);
    for (DiscoverySocket* entry = DiscoverySocketList; entry; entry = entry->next)
        if (entry->socket != INVALID_SOCKET) closesocket(entry->socket);

    for (DiscoverySocket* entry = DiscoverySocketList; entry; entry = entry->next) {
        if (!entry->receiveThread) continue;
        if (!WaitDispatchingSentMessages(entry->receiveThread, kThreadStopWaitMs)) {
            allEnded = false;
            KELNO_LOG_WARN("[NetDiscovery][Close] decision=abandon reason=receive_thread_running address={}",
                           std::string(FieldView(entry->address)));
        }
        CloseHandle(entry->receiveThread);
        entry->receiveThread = nullptr;
    }

    // A thread that is still running may yet read its entry: such a list is left allocated.
    if (allEnded) FreeSocketEntries(DiscoverySocketList);
    DiscoverySocketList = nullptr;

    if (g_winsockStarted) {
        WSACleanup();
        g_winsockStarted = false;
    }
}

}  // namespace kelno
