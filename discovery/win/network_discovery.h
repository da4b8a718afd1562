#pragma once
// Network printer discovery, the Win32 side: the local IPv4 addresses, one UDP socket and one
// receive thread per address, the broadcast of the request, the handling of an answer on the
// user-interface thread, and the poll thread that keeps NetworkPrinterList current while the
// wizard runs. The datagrams and the rules for an answer are in discovery/discovery_datagram.h.
//
// Threads: the receive threads hand every 116-byte datagram to the receiver window with a
// blocking SendMessageW(WM_DISCOVERY_REPLY, length, buffer); the window's thread calls
// OnDiscoveryAnswer. The poll thread drops the printers that stopped answering from
// NetworkPrinterList, counts it and sends WM_PORTS_CHANGED when the count changes. Every access
// to NetworkPrinterList, from any thread, holds NetworkPrinterListLock.
#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace kelno {

// The messages discovery sends to its receiver window (the install page, whose program uses the
// same numbers for them).
inline constexpr UINT WM_PORTS_CHANGED = WM_USER + 1;    // the port list changed: rebuild it
inline constexpr UINT WM_DISCOVERY_REPLY = WM_USER + 2;  // wParam = datagram length, lParam = bytes

inline constexpr std::size_t kIpv4TextChars = 16;  // "255.255.255.255" and the terminator

// One usable local IPv4 address as the adapter reports it.
struct LocalAddress {
    LocalAddress* next;
    char address[kIpv4TextChars];
    char mask[kIpv4TextChars];
};

// One UDP socket per local address. The entry outlives its receive thread: CloseDiscovery ends
// the thread before it frees the entry.
struct DiscoverySocket {
    char address[kIpv4TextChars];  // the local address, ANSI dotted form
    SOCKET socket;                 // bound to address, port 4001; INVALID_SOCKET when creation failed
    HANDLE receiveThread;          // null when the socket could not be bound
    std::atomic<HWND> receiver;    // gets the answers; null until a broadcast names one
    DiscoverySocket* next;
};

// Process-wide lists, each pushed at the head. LocalAddressList is built by
// CollectLocalAddresses, DiscoverySocketList by OpenDiscoverySockets; both are set up before the
// wizard and live until it has closed.
extern LocalAddress* LocalAddressList;
extern DiscoverySocket* DiscoverySocketList;

// The lock of NetworkPrinterList (re-entrant on one thread). Hold it while emptying, counting,
// extending or walking the list; never across SendMessageW to another thread.
class NetworkPrinterListLock {
public:
    NetworkPrinterListLock();
    ~NetworkPrinterListLock();
    NetworkPrinterListLock(const NetworkPrinterListLock&) = delete;
    NetworkPrinterListLock& operator=(const NetworkPrinterListLock&) = delete;
};

// Frees every record of NetworkPrinterList under its lock (the install page, when it goes).
void FreeNetworkPrinterList();

// Frees the previous list and builds LocalAddressList from GetAdaptersInfo: the addresses other
// than "0.0.0.0" of the adapters that take part (IsDiscoveryAdapterType). Writes each adapter's
// name, description and type and each of its addresses to the debugger output. Returns the
// number of addresses listed.
std::uint32_t CollectLocalAddresses();
void FreeLocalAddresses();

// Starts Winsock 2.0 and makes one entry per local address: a UDP socket with SO_BROADCAST bound
// to the address and port 4001, and its receive thread. An entry whose socket could not be made
// or bound stays in the list without a thread (it is still used for sending). False only when
// Winsock cannot be started (then the list stays empty). A second call while the sockets are
// open does nothing and returns true.
bool OpenDiscoverySockets();

// Sends the 32-byte request to 255.255.255.255, port 22368, from every socket of list, in list
// order. A receiver, when given, is first stored in every entry. A failed send is logged and the
// others are still sent.
void BroadcastDiscovery(HWND receiver, DiscoverySocket* list);

// Handles WM_DISCOVERY_REPLY on the receiver's thread: wParam is the datagram's length, lParam
// the buffer (valid for the duration of the message). Adds the printer to NetworkPrinterList
// unless the datagram is not an answer, the model is not supported or the same printer is
// listed already; removes the spooler port of the same name. True when a record was added.
bool OnDiscoveryAnswer(const std::uint8_t* answer, std::size_t size);

// The waits of the poll thread, read at every pass: those of discovery_datagram.h (1 s with no
// printer listed, 30 s with printers listed, 1 s for answers) unless the time seam sets others.
struct DiscoveryPollTiming {
    DWORD idleMs;
    DWORD listedMs;
    DWORD answerWaitMs;
};
DiscoveryPollTiming CurrentDiscoveryPollTiming();

// Thread entry of the background repetition; parameter: the DiscoverySocket list. Each pass:
// wait (idle or listed interval), broadcast without a receiver, wait for the answers, drop the
// records whose printer did not answer during the pass, count the list and send
// WM_PORTS_CHANGED to the first entry's receiver when the count differs from the previous pass.
// (The records are dropped after the answers instead of emptied before the broadcast, so that a
// rebuild of the port list during a pass still sees the printers that are there.) Runs until StopDiscoveryPoll (or
// CloseDiscovery) sets the stop event; every wait ends early when it is set. Start it through StartDiscoveryPoll, so
// that CloseDiscovery can wait for it before it frees the sockets the thread walks.
DWORD WINAPI DiscoveryPollThread(LPVOID list);

// Starts DiscoveryPollThread on list; the thread handle is kept here. False when a poll thread
// is already running or the thread cannot be created.
bool StartDiscoveryPoll(DiscoverySocket* list);
// Stops the poll thread and waits for it, dispatching messages sent to the calling thread
// meanwhile (the poll thread may be inside SendMessageW to it). True when no poll thread is left
// running.
bool StopDiscoveryPoll();

// At program exit: stops the poll thread, closes every socket, waits for the receive threads
// (dispatching their sent messages), closes the thread handles, frees the entries and calls
// WSACleanup. An entry whose thread does not end in time is left allocated, never freed under it.
void CloseDiscovery();

}  // namespace kelno
