#pragma once
// Payloads of the Standard TCP/IP port monitor's transceive calls ("AddPort", "ConfigPort":
// PORT_DATA_1, 964 bytes; "DeletePort": DELETE_PORT_DATA_1, 236 bytes), byte for byte as the
// monitor reads them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kelno {

struct PortData1 {
    char16_t portName[64];
    std::uint32_t version;
    std::uint32_t protocol;  // 1 = raw TCP, 2 = LPR
    std::uint32_t size;
    std::uint32_t reserved;
    char16_t hostAddress[49];
    char16_t snmpCommunity[33];
    std::uint32_t doubleSpool;
    char16_t queue[33];
    char16_t ipAddress[16];
    std::uint8_t reservedBytes[540];
    std::uint32_t portNumber;
    std::uint32_t snmpEnabled;
    std::uint32_t snmpDeviceIndex;
};
static_assert(sizeof(PortData1) == 964);
static_assert(offsetof(PortData1, version) == 128);
static_assert(offsetof(PortData1, hostAddress) == 144);
static_assert(offsetof(PortData1, snmpCommunity) == 242);
static_assert(offsetof(PortData1, doubleSpool) == 308);
static_assert(offsetof(PortData1, queue) == 312);
static_assert(offsetof(PortData1, ipAddress) == 378);
static_assert(offsetof(PortData1, reservedBytes) == 410);
static_assert(offsetof(PortData1, portNumber) == 952);
static_assert(offsetof(PortData1, snmpDeviceIndex) == 960);

struct DeletePortData1 {
    char16_t portName[64];
    std::uint8_t reservedBytes[98];
    std::uint32_t version;
    std::uint32_t reserved;
};
static_assert(sizeof(DeletePortData1) == 236);
static_assert(offsetof(DeletePortData1, version) == 228);

inline constexpr std::size_t kMaxPortNameChars = 63;
inline constexpr std::size_t kMaxHostAddressChars = 48;

// Raw TCP, version 1, SNMP off, everything else zero. Nothing when the port name is longer than
// 63 units or the host address longer than 48: such a port is refused, never cut to a
// different one.
std::optional<PortData1> MakeRawTcpPortData(std::u16string_view portName, std::u16string_view hostAddress,
                                            std::uint32_t portNumber);
std::optional<DeletePortData1> MakeDeletePortData(std::u16string_view portName);

}  // namespace kelno
