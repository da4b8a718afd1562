#include "drvwizard/win/install_tcp_config.h"

#include <commctrl.h>
#include <winspool.h>

#include <cstring>
#include <string>

#include "base/text.h"
#include "base/win/wide_text.h"
#include "common/win/log.h"
#include "drvwizard/install_rules.h"
#include "engine/tcpip_port_payload.h"
#include "resources/drvwizard/resource_ids.h"

namespace kelno {
namespace {

// The monitor's configuration-info record, version 1: only the version is set.
constexpr std::size_t kConfigInfoBytes = 132;
constexpr DWORD kConfigInfoVersion = 1;

void ShowAddress(HWND page, const std::optional<std::array<std::uint8_t, 4>>& address) {
    HWND control = GetDlgItem(page, IDC_IP_ADDRESS);
    if (!address) {
        SendMessageW(control, IPM_CLEARADDRESS, 0, 0);
        return;
    }
    const auto& a = *address;
    SendMessageW(control, IPM_SETADDRESS, 0, MAKEIPADDRESS(a[0], a[1], a[2], a[3]));
}

}  // namespace

std::optional<TcpPortConfig> QueryTcpPortConfig(const wchar_t* portName) {
    std::wstring printerName = L",XcvPort ";
    printerName += portName ? portName : L"";
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    HANDLE port = nullptr;
    if (!OpenPrinterW(printerName.data(), &port, &defaults)) return std::nullopt;

    BYTE input[kConfigInfoBytes] = {};
    std::memcpy(input + kConfigInfoBytes - sizeof(DWORD), &kConfigInfoVersion, sizeof(DWORD));
    PortData1 data{};
    DWORD needed = 0, status = ERROR_GEN_FAILURE;
    const BOOL reached = XcvDataW(port, L"GetConfigInfo", input, sizeof(input), reinterpret_cast<BYTE*>(&data),
                                  sizeof(data), &needed, &status);
    ClosePrinter(port);
    // XcvDataW only says that the monitor was reached; its answer is the status.
    if (!reached || status != ERROR_SUCCESS) {
        KELNO_LOG_INFO("[PortUI][TcpConfig] decision=fallback reason=get_config_info_failed port={} error={}",
                       Utf8(portName), reached ? status : GetLastError());
        return std::nullopt;
    }
    return TcpPortConfig{ParseIpv4(FieldText(data.hostAddress)), data.portNumber};
}

bool ReadTcpPortConfig(HWND page, const wchar_t* portName) {
    if (const auto config = QueryTcpPortConfig(portName)) {
        ShowAddress(page, config->address);
        SetDlgItemInt(page, IDC_TCP_PORT, config->portNumber, FALSE);
        return true;
    }
    ShowAddress(page, ParseIpv4(U16View(portName)));
    SetDlgItemTextW(page, IDC_TCP_PORT, L"9100");
    return false;
}

}  // namespace kelno
