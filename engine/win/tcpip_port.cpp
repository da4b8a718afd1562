#include "engine/win/tcpip_port.h"

#include <winspool.h>

#include <cwchar>
#include <iterator>
#include <optional>
#include <string_view>

#include "base/text.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "common/win/log.h"
#include "engine/win/progress.h"
#include "engine/tcpip_port_payload.h"

namespace kelno {
namespace {

constexpr std::int32_t kHighestTcpPort = 65535;
// The result page keeps 100 characters of a line: texts shown in a line are cut to that.
constexpr std::size_t kShownChars = 100;

// The standard TCP/IP port monitor opened for administration; on failure the owner is empty
// and error holds the system error.
ScopedPrinter OpenTcpIpMonitor(DWORD& error) {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    wchar_t name[std::size(kTcpIpMonitorXcvName)];
    CopyBounded(name, std::size(name), std::wstring_view(kTcpIpMonitorXcvName));
    ScopedPrinter monitor;
    if (!OpenPrinterW(name, monitor.receive(), &defaults)) {
        error = GetLastError();
        monitor.release();  // what the failed call left is no handle to close
    }
    return monitor;
}

// One transceive call with its input record. XcvDataW itself only says whether the monitor was
// reached; the monitor's own answer comes back in the status, so both must report success (an
// "AddPort" of an existing port is reached and refused).
bool CallMonitor(const wchar_t* command, const void* input, DWORD inputSize, const wchar_t* portName) {
    DWORD openError = ERROR_SUCCESS;
    const ScopedPrinter monitor = OpenTcpIpMonitor(openError);
    if (!monitor) {
        DbgPrint("%ws: open of the standard TCP/IP port monitor failed, port:%ws, errcode:%d.", command, portName,
                 static_cast<int>(openError));
        return false;
    }
    BYTE output[kXcvOutputBytes] = {};
    DWORD needed = 0;
    DWORD status = ERROR_SUCCESS;
    const BOOL reached = XcvDataW(monitor.get(), command, static_cast<BYTE*>(const_cast<void*>(input)), inputSize,
                                  output, sizeof(output), &needed, &status);
    if (!reached) {
        DbgPrint("%ws: XcvData failed, port:%ws, errcode:%d.", command, portName, static_cast<int>(GetLastError()));
        return false;
    }
    if (status != ERROR_SUCCESS) {
        DbgPrint("%ws: the port monitor refused port %ws, status:%d.", command, portName, static_cast<int>(status));
        return false;
    }
    return true;
}

// A text as a progress line shows it: cut to what the line keeps.
std::wstring Shown(std::u16string_view text) { return WideString(text.substr(0, kShownChars)); }

// "AddPort" and "ConfigPort" are one procedure with different command names and lines.
bool SendPortData(const ProgressSink& progress, EngineText line, const wchar_t* command, const wchar_t* portName,
                  const wchar_t* hostAddress, std::int32_t portNumber) {
    // The field widths are the most either text can use; one unit more shows an over-long text.
    const std::u16string_view host = U16View(hostAddress, kMaxHostAddressChars + 1);
    if (host.empty() || portNumber <= 0 || portNumber > kHighestTcpPort) {
        // No port is made; the queue add that follows then fails on the missing port, and this
        // line says why.
        DbgPrint("%ws: %ws refused, host address \"%ws\" empty or TCP port %d outside 1-65535; nothing sent.", command,
                 portName ? portName : L"", hostAddress ? hostAddress : L"", static_cast<int>(portNumber));
        return false;
    }
    const std::u16string_view port = U16View(portName, kMaxPortNameChars + 1);

    SendProgress(progress, line, Shown(U16View(portName, kShownChars)).c_str(), Shown(host).c_str());
    bool ok = false;
    const std::optional<PortData1> payload =
        port.empty() ? std::nullopt : MakeRawTcpPortData(port, host, static_cast<std::uint32_t>(portNumber));
    if (!payload) {
        DbgPrint("%ws: port name or host address empty or too long, nothing sent.", command);
    } else {
        static_assert(sizeof(PortData1) == 964);
        ok = CallMonitor(command, &*payload, sizeof(PortData1), portName);
    }
    SendProgress(progress, ok ? EngineText::okLine : EngineText::failedLine);
    return ok;
}

}  // namespace

bool AddStandardTcpIpPort(const ProgressSink& progress, const wchar_t* portName, const wchar_t* hostAddress,
                          std::int32_t portNumber) {
    return SendPortData(progress, EngineText::addPort, L"AddPort", portName, hostAddress, portNumber);
}

bool ConfigureStandardTcpIpPort(const ProgressSink& progress, const wchar_t* portName, const wchar_t* hostAddress,
                                std::int32_t portNumber) {
    return SendPortData(progress, EngineText::updatePort, L"ConfigPort", portName, hostAddress, portNumber);
}

void DeleteStandardTcpIpPort(const ProgressSink& progress, const PrinterInstallEntry* entries, int count) {
    if (!entries) return;
    for (int i = 0; i < count; ++i) {
        const PrinterInstallEntry& entry = entries[i];
        if (entry.portKind != kPortKindStandardTcpIp) continue;

        // The entry's field may lack its terminator: the line and the call use a terminated copy.
        const std::wstring portName = TerminatedFieldString(entry.portName);
        const wchar_t* widePortName = portName.c_str();
        SendProgress(progress, EngineText::removePort, Shown(U16View(portName)).c_str());
        bool ok = false;
        const std::u16string_view port = U16View(widePortName, kMaxPortNameChars + 1);
        const std::optional<DeletePortData1> payload = port.empty() ? std::nullopt : MakeDeletePortData(port);
        if (!payload) {
            DbgPrint("DeletePort: port name empty or too long, nothing sent.");
        } else {
            static_assert(sizeof(DeletePortData1) == 236);
            ok = CallMonitor(L"DeletePort", &*payload, sizeof(DeletePortData1), widePortName);
        }
        SendProgress(progress, ok ? EngineText::okLine : EngineText::failedLine);
    }
}

}  // namespace kelno
