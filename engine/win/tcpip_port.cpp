#include "engine/win/tcpip_port.h"

#include <winspool.h>

#include <cwchar>
#include <iterator>
#include <optional>
#include <string_view>

#include "base/text.h"
#include "common/win/log.h"
#include "engine/win/progress.h"
#include "engine/tcpip_port_payload.h"

namespace kelno {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

constexpr std::int32_t kHighestTcpPort = 65535;
constexpr std::size_t kEntryPortNameChars = sizeof(PrinterInstallEntry::portName) / sizeof(char16_t);
// The result page keeps 100 characters of a line: texts shown in a line are cut to that.
constexpr std::size_t kShownChars = 100;

std::u16string_view View(const wchar_t* text, std::size_t capacity) {
    if (!text)
        return {};
    return {reinterpret_cast<const char16_t*>(text), LengthBounded(text, capacity)};
}

// Closes the monitor handle after the call.
class MonitorHandle {
public:
    MonitorHandle() {
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
        wchar_t name[std::size(kTcpIpMonitorXcvName)];
        CopyBounded(name, std::size(name), std::wstring_view(kTcpIpMonitorXcvName));
        if (!OpenPrinterW(name, &handle_, &defaults)) {
            error_ = GetLastError();
            handle_ = nullptr;
        }
    }
    ~MonitorHandle() {
        if (handle_)
            ClosePrinter(handle_);
    }
    MonitorHandle(const MonitorHandle&) = delete;
    MonitorHandle& operator=(const MonitorHandle&) = delete;

    HANDLE get() const { return handle_; }
    DWORD openError() const { return error_; }

private:
    HANDLE handle_ = nullptr;
    DWORD error_ = ERROR_SUCCESS;
};

// One transceive call with its input record. XcvDataW itself only says whether the monitor was
// reached; the monitor's own answer comes back in the status, so both must report success (an
// "AddPort" of an existing port is reached and refused).
bool CallMonitor(const wchar_t* command, const void* input, DWORD inputSize, const wchar_t* portName) {
    MonitorHandle monitor;
    if (!monitor.get()) {
        DbgPrint("%ws: open of the standard TCP/IP port monitor failed, port:%ws, errcode:%d.", command, portName,
                 static_cast<int>(monitor.openError()));
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

// A text as a progress line shows it.
struct ShownText {
    explicit ShownText(std::u16string_view text) { CopyBounded(chars, std::size(chars), text); }
    const wchar_t* c_str() const { return reinterpret_cast<const wchar_t*>(chars); }
    char16_t chars[kShownChars + 1];
};

// "AddPort" and "ConfigPort" are one procedure with different command names and lines.
bool SendPortData(const ProgressSink& progress,
                  EngineText line,
                  const wchar_t* command,
                  const wchar_t* portName,
                  const wchar_t* hostAddress,
                  std::int32_t portNumber) {
    // The field widths are the most either text can use; one unit more shows an over-long text.
    const std::u16string_view host = View(hostAddress, kMaxHostAddressChars + 1);
    if (host.empty() || portNumber <= 0 || portNumber > kHighestTcpPort) {
        // No port is made; the queue add that follows then fails on the missing port, and this
        // line says why.
        DbgPrint("%ws: %ws refused, host address \"%ws\" empty or TCP port %d outside 1-65535; nothing sent.",
                 command, portName ? portName : L"", hostAddress ? hostAddress : L"", static_cast<int>(portNumber));
        return false;
    }
    const std::u16string_view port = View(portName, kMaxPortNameChars + 1);

    SendProgress(progress, line, ShownText(View(portName, kShownChars)).c_str(), ShownText(host).c_str());
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

bool AddStandardTcpIpPort(const ProgressSink& progress, const wchar_t* portName, const wchar_t* hostAddress, std::int32_t portNumber) {
    return SendPortData(progress, EngineText::addPort, L"AddPort", portName, hostAddress, portNumber);
}

bool ConfigureStandardTcpIpPort(const ProgressSink& progress,
                                const wchar_t* portName,
                                const wchar_t* hostAddress,
                                std::int32_t portNumber) {
    return SendPortData(progress, EngineText::updatePort, L"ConfigPort", portName, hostAddress, portNumber);
}

void DeleteStandardTcpIpPort(const ProgressSink& progress, const PrinterInstallEntry* entries, int count) {
    if (!entries)
        return;
    for (int i = 0; i < count; ++i) {
        const PrinterInstallEntry& entry = entries[i];
        if (entry.portKind != kPortKindStandardTcpIp)
            continue;

        // The entry's field may lack its terminator: the line and the call use a terminated copy.
        char16_t portName[kEntryPortNameChars];
        CopyBounded(portName, std::size(portName),
                    std::u16string_view(entry.portName, LengthBounded(entry.portName, kEntryPortNameChars)));
        const wchar_t* widePortName = reinterpret_cast<const wchar_t*>(portName);
        SendProgress(progress, EngineText::removePort, ShownText(View(widePortName, kShownChars)).c_str());
        bool ok = false;
        const std::u16string_view port = View(widePortName, kMaxPortNameChars + 1);
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
