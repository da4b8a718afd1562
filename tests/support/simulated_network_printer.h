#pragma once
// The simulated network printer of the private test network (scripts/wine-run with
// KELNO_NETNS=1): whether this program may open discovery sockets here, and the printer's control
// channel (tests/wine/simulated_printer/control_protocol.h).
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/wine/simulated_printer/control_protocol.h"

namespace kelno::test {

// Why discovery sockets may not be opened here, or empty when they may: the program must run in
// the bench's network, where every adapter address is 0.0.0.0 or one of the bench's 10.77.x.x.
inline std::string NetworkBenchProblem() {
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

// One command to the simulated printer; its reply line, or "error ..." when it cannot be reached.
inline std::string SimulatedPrinterCommand(const std::string& line) {
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
inline int AddSimulatedPrinter(const std::string& arguments) {
    const std::string reply = SimulatedPrinterCommand("add " + arguments);
    EXPECT_EQ(reply.rfind("ok ", 0), 0u) << reply;
    return reply.rfind("ok ", 0) == 0 ? std::stoi(reply.substr(3)) : -1;
}

}  // namespace kelno::test
