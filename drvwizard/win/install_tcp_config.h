#pragma once
// The install page's reading of a standard TCP/IP port's configuration ("GetConfigInfo" of the
// port monitor) into its IP address control and TCP port edit.
#include <windows.h>

#include <array>
#include <cstdint>
#include <optional>

namespace kelno {

// The port's host address and TCP port number as the Standard TCP/IP port monitor keeps them;
// nothing when the port cannot be opened or the monitor does not answer.
struct TcpPortConfig {
    std::optional<std::array<std::uint8_t, 4>> address;  // nothing when the host is no IPv4 address
    std::uint32_t portNumber;
};
std::optional<TcpPortConfig> QueryTcpPortConfig(const wchar_t* portName);

// Fills the page's IP address control and TCP port edit from the port's configuration. When the
// port cannot be read, the port name itself is read as the address and the TCP port is 9100;
// then false.
bool ReadTcpPortConfig(HWND page, const wchar_t* portName);

}  // namespace kelno
