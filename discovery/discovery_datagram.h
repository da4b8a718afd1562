#pragma once
// The UDP printer discovery: the fixed 32-byte request broadcast to port 22368, the 116-byte
// answer a printer sends back, and the rules that turn an answer into a row of the network
// printer list. Sockets, threads and messages are the Win32 side's; this is the pure part.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "discovery/ansi_text.h"
#include "discovery/port_record.h"

namespace kelno {

inline constexpr std::uint16_t kDiscoveryPrinterPort = 22368;  // the request goes to this port
inline constexpr std::uint16_t kDiscoveryLocalPort = 4001;     // every socket is bound to it
inline constexpr char kDiscoveryBroadcastAddress[] = "255.255.255.255";
inline constexpr std::size_t kDiscoveryReceiveBuffer = 1024;

// Sent as it stands; no field of it is computed.
inline constexpr std::array<std::uint8_t, 32> kDiscoveryRequest = {
    0x00, 0x20, 0x00, 0x01, 0x00, 0x01, 0x08, 0x00,  //
    0x00, 0x02, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00,  //
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF,  //
    0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00,
};

// Layout of an answer. Bytes 0-43 and 48-51 are not interpreted.
inline constexpr std::size_t kDiscoveryAnswerSize = 116;
inline constexpr std::size_t kAnswerAddressOffset = 44;
inline constexpr std::size_t kAnswerModelOffset = 52;
inline constexpr std::size_t kAnswerModelField = 64;
inline constexpr std::size_t kAnswerModelMaxChars = 60;
static_assert(kAnswerModelOffset + kAnswerModelField == kDiscoveryAnswerSize);

struct DiscoveryAnswer {
    std::uint8_t address[4];               // the printer's IPv4 address, first octet first
    char model[kAnswerModelMaxChars + 1];  // ANSI, up to the field's NUL, at most 60 characters
    std::string_view Model() const;
};

// Parses a received datagram. Only exactly 116 bytes are an answer: any other size (or null
// data) gives false and leaves answer untouched. The sender's address is not looked at.
bool ParseDiscoveryAnswer(const std::uint8_t* data, std::size_t size, DiscoveryAnswer& answer);

// "192.168.1.50" for C0 A8 01 32.
std::u16string Ipv4Text(const std::uint8_t (&address)[4]);

// The description of a network printer: the model name itself when it already begins with the
// brand ("Tavolen MX-410"), else "<brand> <model name>" ("MX-410" -> "Tavolen MX-410").
std::u16string NetworkPrinterDescription(std::u16string_view modelName);

enum class DiscoveryAnswerResult {
    added,
    duplicate,    // the same printer (port name and description) is already listed
    unsupported,  // FindModel does not know the description
    no_memory,
};

// Handles one answer on the user-interface thread: builds the record (port name = address text,
// port type 3), drops it for an unsupported model, removes the spooler port of the same name,
// and pushes it unless the same printer is listed already (it answers once per local address).
// The caller holds the network list's lock.
DiscoveryAnswerResult AddDiscoveryAnswer(PortList& networkPrinters, PortList* spoolerPorts,
                                         const DiscoveryAnswer& answer, FromAnsiFn fromAnsi = U16FromAsciiAnsi);

// The adapter types of GetAdaptersInfo whose addresses take part: other, Ethernet, token ring,
// FDDI, PPP, loopback, SLIP and IEEE 802.11.
bool IsDiscoveryAdapterType(std::uint32_t adapterType);

// A local address sends and listens unless it is "0.0.0.0" (an adapter without an address) or
// empty.
bool IsUsableLocalAddress(std::string_view addressText);

// The poll thread's rhythm: 30 s between passes while printers are listed, 1 s while none are;
// the answers of a pass are counted 1 s after its broadcast.
inline constexpr std::uint32_t kDiscoveryIdlePollMs = 1000;
inline constexpr std::uint32_t kDiscoveryListedPollMs = 30000;
inline constexpr std::uint32_t kDiscoveryAnswerWaitMs = 1000;
std::uint32_t DiscoveryPollSleepMs(std::uint32_t listedPrinters);

// Remembers the count of the previous pass; the port list is rebuilt when it changes.
class DiscoveryCountWatch {
public:
    // True when count differs from the previous pass (the first pass compares with 0).
    bool Changed(std::uint32_t count);

private:
    std::uint32_t last_ = 0;
};

}  // namespace kelno
