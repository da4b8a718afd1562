#include "engine/tcpip_port_payload.h"

#include "base/text.h"

namespace kelno {

std::optional<PortData1> MakeRawTcpPortData(std::u16string_view portName, std::u16string_view hostAddress,
                                            std::uint32_t portNumber) {
    if (portName.size() > kMaxPortNameChars || hostAddress.size() > kMaxHostAddressChars) return std::nullopt;
    PortData1 data{};
    CopyBounded(data.portName, std::size(data.portName), portName);
    data.version = 1;
    data.protocol = 1;
    CopyBounded(data.hostAddress, std::size(data.hostAddress), hostAddress);
    data.portNumber = portNumber;
    data.snmpEnabled = 0;
    return data;
}

std::optional<DeletePortData1> MakeDeletePortData(std::u16string_view portName) {
    if (portName.size() > kMaxPortNameChars) return std::nullopt;
    DeletePortData1 data{};
    CopyBounded(data.portName, std::size(data.portName), portName);
    data.version = 1;
    return data;
}

}  // namespace kelno
