#include "driverui/devsheet/win/printer_comm.h"

#include <setupapi.h>

#include <optional>
#include <string>
#include <vector>

#include "base/text.h"
#include "base/wide_printf.h"
#include "base/win/registry.h"
#include "base/win/wide_text.h"

namespace kelno {
namespace {

// Interface class of the USB printing class driver, and its key under DeviceClasses.
constexpr GUID kUsbPrintInterfaceClass = {0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};
constexpr wchar_t kUsbPrintClassKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}\\##?#";
// "\\?\" in front of every device path.
constexpr std::size_t kDevicePathPrefix = 4;

constexpr DWORD kModeSettleMs = 3000;
constexpr int kModePolls = 10;
constexpr DWORD kModePollIntervalMs = 150;

wchar_t g_portTarget[kPortTargetUnits] = L"";

struct LocalBuffer {
    explicit LocalBuffer(SIZE_T bytes) : data(static_cast<BYTE*>(LocalAlloc(LMEM_FIXED, bytes))) {}
    ~LocalBuffer() {
        if (data) LocalFree(data);
    }
    LocalBuffer(const LocalBuffer&) = delete;
    LocalBuffer& operator=(const LocalBuffer&) = delete;
    BYTE* data;
};

// The interface's "Device Parameters" key, opened for reading; empty when the path has no
// place in the registry.
ScopedRegistryKey OpenDeviceParameters(std::wstring_view devicePath) {
    ScopedRegistryKey key;
    if (devicePath.size() <= kDevicePathPrefix) return key;
    const std::wstring_view rest = devicePath.substr(kDevicePathPrefix);
    if (rest.find(L'\\') != std::wstring_view::npos) return key;
    std::wstring name(kUsbPrintClassKey);
    name += rest;
    name += L"\\#\\Device Parameters";
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, name.c_str(), 0, KEY_QUERY_VALUE, key.receive()) != ERROR_SUCCESS)
        key.reset();
    return key;
}

// The device path of one interface, or "" when its detail cannot be read.
std::wstring InterfacePath(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& deviceInterface) {
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailW(set, &deviceInterface, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) return {};
    std::vector<std::uint8_t> buffer(required);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!SetupDiGetDeviceInterfaceDetailW(set, &deviceInterface, detail, required, nullptr, nullptr)) return {};
    const std::size_t units = (required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(wchar_t);
    return std::wstring(detail->DevicePath, LengthBounded(detail->DevicePath, units));
}

// The spooler's name of a USB printer's port: "USB" and the number with at least three digits.
std::wstring UsbPortName(DWORD number) {
    char16_t name[32] = u"";
    FormatWideArgs(name, std::size(name), u"USB%.3d", static_cast<int>(number));
    return WideString(name);
}

// The port names of the printer (PRINTER_INFO_5), or nothing.
std::optional<std::wstring> PortNameOf(HANDLE printer) {
    DWORD needed = 0;
    GetPrinterW(printer, 5, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_5W)) return std::nullopt;
    LocalBuffer buffer(needed);
    if (!buffer.data || !GetPrinterW(printer, 5, buffer.data, needed, &needed)) return std::nullopt;
    const auto* info = reinterpret_cast<const PRINTER_INFO_5W*>(buffer.data);
    return std::wstring(info->pPortName ? info->pPortName : L"");
}

}  // namespace

PrinterCommSeams& PrinterComm() {
    static PrinterCommSeams seams;
    return seams;
}

bool SendFileRaw(const wchar_t* printerName, const wchar_t* path) {
    ScopedPrinter printer;
    if (!OpenPrinterW(const_cast<wchar_t*>(printerName), printer.receive(), nullptr) || !printer) return false;
    // The file and the buffer come first: a job is started only when there is something to send.
    ScopedFile file(CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LocalBuffer block(kRawBufferBytes);
    if (!file || !block.data) return false;

    DOC_INFO_1W document{};
    document.pDocName = const_cast<wchar_t*>(path);
    document.pOutputFile = nullptr;
    document.pDatatype = const_cast<wchar_t*>(L"RAW");
    if (StartDocPrinterW(printer.get(), 1, reinterpret_cast<BYTE*>(&document)) == 0) return false;

    PrinterCommSeams& seams = PrinterComm();
    bool complete = true;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), block.data, kRawPageBytes, &read, nullptr) || read == 0) break;
        if (!seams.startPagePrinter(printer.get())) {
            complete = false;
            break;
        }
        DWORD written = 0;
        const BOOL wrote = seams.writePrinter(printer.get(), block.data, read, &written);
        EndPagePrinter(printer.get());
        if (!wrote || written != read) {
            complete = false;
            break;
        }
    }
    EndDocPrinter(printer.get());
    return complete;
}

DWORD QueryPrinterValue(HANDLE printer, const wchar_t* name, std::span<std::uint8_t> reply) {
    std::fill(reply.begin(), reply.end(), std::uint8_t{0});
    DWORD type = REG_BINARY;
    DWORD needed = 0;
    return PrinterComm().getPrinterDataW(printer, const_cast<wchar_t*>(name), &type, reply.data(),
                                         static_cast<DWORD>(reply.size()), &needed);
}

bool SetFirmwareUpdateMode(HANDLE printer, bool enter) {
    PrinterCommSeams& seams = PrinterComm();
    std::uint8_t reply[32] = {};
    if (QueryPrinterValue(printer, enter ? L"qvsetcmd3" : L"qvsetcmd4", reply) != ERROR_SUCCESS) return false;
    seams.sleep(kModeSettleMs);
    for (int poll = 0; poll < kModePolls; ++poll) {
        if (QueryPrinterValue(printer, L"qvgetcmd5", reply) == ERROR_SUCCESS && ((reply[0] & 1) != 0) == enter)
            return true;
        seams.sleep(kModePollIntervalMs);
    }
    return false;
}

bool FindUsbPrinterInterface(const wchar_t* portName, wchar_t (&path)[kPortTargetUnits]) {
    path[0] = L'\0';
    ScopedDeviceInfoSet set(
        SetupDiGetClassDevsW(&kUsbPrintInterfaceClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!set) return false;
    SP_DEVICE_INTERFACE_DATA deviceInterface{};
    deviceInterface.cbSize = sizeof deviceInterface;
    for (DWORD index = 0;
         SetupDiEnumDeviceInterfaces(set.get(), nullptr, &kUsbPrintInterfaceClass, index, &deviceInterface); ++index) {
        const std::wstring devicePath = InterfacePath(set.get(), deviceInterface);
        if (devicePath.empty()) continue;
        const ScopedRegistryKey parameters = OpenDeviceParameters(devicePath);
        if (!parameters) continue;
        const std::optional<DWORD> number = ReadRegistryDword(parameters.get(), L"Port Number");
        if (!number || UsbPortName(*number) != portName) continue;
        // The first printer on the port decides; a cut path would name no device.
        if (CopyBounded(path, kPortTargetUnits, std::wstring_view(devicePath))) return true;
        path[0] = L'\0';
        return false;
    }
    return false;
}

const wchar_t* FindPortTarget(HANDLE printer) {
    g_portTarget[0] = L'\0';
    const std::optional<std::wstring> port = PortNameOf(printer);
    if (!port) return g_portTarget;
    if (port->find(L"USB") != std::wstring::npos) {
        FindUsbPrinterInterface(port->c_str(), g_portTarget);
    } else if (port->find(L"COM") != std::wstring::npos) {
        CopyBounded(g_portTarget, kPortTargetUnits, std::wstring_view(*port));
    }
    return g_portTarget;
}

const wchar_t* PortTarget() { return g_portTarget; }

ScopedFile OpenPortTarget() {
    ScopedFile port(CreateFileW(g_portTarget, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    if (!port) return port;
    // Only a COM port takes these; a USB printer interface refuses them and keeps its own.
    COMMTIMEOUTS timeouts{};
    if (GetCommTimeouts(port.get(), &timeouts)) {
        timeouts.WriteTotalTimeoutConstant = kPortWriteTimeoutMs;
        timeouts.WriteTotalTimeoutMultiplier = kPortWriteTimeoutPerByteMs;
        SetCommTimeouts(port.get(), &timeouts);
    }
    return port;
}

}  // namespace kelno
