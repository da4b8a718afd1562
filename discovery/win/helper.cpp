#include "discovery/win/helper.h"

#include <setupapi.h>
#include <winspool.h>

#include <memory>
#include <new>
#include <optional>
#include <string>

#include "base/win/registry.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "discovery/win/network_discovery.h"
#include "discovery/port_classification.h"
#include "discovery/port_record.h"
#include "discovery/registry_text.h"
#include "common/win/log.h"

namespace kelno {
namespace {

// Setup class of serial and parallel ports.
constexpr GUID kPortsSetupClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

constexpr DWORD kHardwareIdBytes = 2048;
constexpr std::size_t kPortNameValueChars = 255;

// The hardware identifier of a device (its first string), or nullopt when it cannot be read.
std::optional<std::u16string> ReadHardwareId(HDEVINFO set, SP_DEVINFO_DATA& device) {
    wchar_t buffer[kHardwareIdBytes / sizeof(wchar_t)] = {};
    DWORD type = 0;
    DWORD required = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID, &type, reinterpret_cast<BYTE*>(buffer),
                                           sizeof(buffer), &required))
        return std::nullopt;
    const DWORD bytes = required < sizeof(buffer) ? required : sizeof(buffer);
    return std::u16string(FirstMultiString(U16Ptr(buffer), bytes));
}

// Whether the port opens now (read access, no sharing). Only logged: a port in use by another
// program is listed all the same.
bool ProbeDeviceOpen(const wchar_t* portName) {
    const ScopedFile port(CreateFileW(portName, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    return static_cast<bool>(port);
}

struct ScanCounts {
    std::uint32_t spoolerComPorts = 0;
    std::uint32_t classifiedBluetoothPorts = 0;
    std::uint32_t acceptedPorts = 0;
};

// Classifies one spooler port and pushes it unless another list already shows it.
void TakeSpoolerPort(const PORT_INFO_2W& port, ScanCounts& counts) {
    const std::u16string_view name = U16View(port.pPortName);
    const std::u16string_view description = U16View(port.pDescription);
    const bool com = IsComPortName(name);
    if (com) {
        ++counts.spoolerComPorts;
        KELNO_LOG_INFO("[Bluetooth][ComScan] decision=spooler_port_seen port={} description={} spoolerType={}",
                       Utf8(name), Utf8(description), port.fPortType);
    }

    std::uint16_t type = ClassifySpoolerPort(name, description, false);
    if (com) {
        type = ClassifySpoolerPort(name, description, IsBluetoothComPort(port.pPortName));
        if (type == kPortTypeBluetooth) ++counts.classifiedBluetoothPorts;
        const bool opened = ProbeDeviceOpen(port.pPortName);
        KELNO_LOG_INFO("[Bluetooth][ComScan] decision=classified port={} installerPortType={} deviceOpenSucceeded={} "
                       "note=device_open_result_does_not_filter_port",
                       Utf8(name), type, opened);
    }

    PortRecordPtr record = MakePortRecord();
    if (!record) {
        KELNO_LOG_ERROR("[Bluetooth][ComScan] decision=drop reason=record_allocation_failed port={}", Utf8(name));
        return;
    }
    // A cut name would name another port: such a port is not listed.
    if (!FillSpoolerPortRecord(*record, name, description, type)) {
        KELNO_LOG_WARN("[Bluetooth][ComScan] decision=drop reason=port_name_unusable port={} length={}", Utf8(name),
                       name.size());
        return;
    }

    PortNameDuplicates duplicates;
    {
        NetworkPrinterListLock lock;  // the discovery poll thread rebuilds that list
        duplicates = FindPortNameDuplicates(name, UsbDeviceList, NetworkPrinterList, SpoolerPortList);
    }
    if (duplicates.Any()) {
        if (com)
            KELNO_LOG_INFO(
                "[Bluetooth][ComScan] decision=drop reason=unknown_type_or_duplicate port={} installerPortType={} "
                "duplicateUsb={} duplicateNet={} duplicateCom={}",
                Utf8(name), type, duplicates.usb, duplicates.network, duplicates.spooler);
        return;
    }
    PushFront(SpoolerPortList, std::move(record));
    ++counts.acceptedPorts;
}

// The spooler's ports (EnumPortsW level 2) in a buffer of DWORD units, which keeps the
// PORT_INFO_2 records aligned. Empty when the enumeration fails; reason and error say why.
struct SpoolerPorts {
    std::unique_ptr<DWORD[]> buffer;
    DWORD count = 0;
    const char* failure = nullptr;
    DWORD bytes = 0;
    DWORD error = 0;
    const PORT_INFO_2W* Ports() const { return reinterpret_cast<const PORT_INFO_2W*>(buffer.get()); }
};

SpoolerPorts ReadSpoolerPorts() {
    SpoolerPorts result;
    DWORD needed = 0;
    EnumPortsW(nullptr, 2, nullptr, 0, &needed, &result.count);
    result.count = 0;
    if (needed == 0) {
        result.failure = "enum_ports_size_empty";
        result.error = GetLastError();
        return result;
    }
    result.bytes = needed;
    result.buffer.reset(new (std::nothrow) DWORD[needed / sizeof(DWORD) + 1]());
    if (!result.buffer) {
        result.failure = "enum_ports_allocation_failed";
    } else if (!EnumPortsW(nullptr, 2, reinterpret_cast<BYTE*>(result.buffer.get()), needed, &needed, &result.count)) {
        result.failure = "enum_ports_read_failed";
        result.error = GetLastError();
        result.count = 0;
    }
    return result;
}

}  // namespace

std::uint32_t ComScan() {
    ScanCounts counts;
    const SpoolerPorts ports = ReadSpoolerPorts();
    if (ports.failure && !ports.bytes) {
        KELNO_LOG_WARN("[Bluetooth][ComScan] decision=abort reason={} error={}", ports.failure, ports.error);
        return 0;
    }
    if (ports.failure && !ports.buffer) {
        KELNO_LOG_ERROR("[Bluetooth][ComScan] decision=abort reason={} bytes={}", ports.failure, ports.bytes);
    } else if (ports.failure) {
        KELNO_LOG_ERROR("[Bluetooth][ComScan] decision=abort reason={} bytes={} error={}", ports.failure, ports.bytes,
                        ports.error);
    }
    for (DWORD i = 0; i < ports.count; ++i) TakeSpoolerPort(ports.Ports()[i], counts);

    KELNO_LOG_INFO(
        "[Bluetooth][Summary] stage=com_scan spoolerComPorts={} classifiedBluetoothPorts={} acceptedPorts={}",
        counts.spoolerComPorts, counts.classifiedBluetoothPorts, counts.acceptedPorts);
    return counts.acceptedPorts;
}

std::uint16_t SpoolerPortKind(const wchar_t* portName) {
    const std::u16string_view wanted = U16View(portName);
    if (wanted.empty()) return 0;
    const SpoolerPorts ports = ReadSpoolerPorts();
    for (DWORD i = 0; i < ports.count; ++i) {
        const PORT_INFO_2W& port = ports.Ports()[i];
        if (U16View(port.pPortName) == wanted) return ClassifySpoolerPort(wanted, U16View(port.pDescription), false);
    }
    return 0;
}

bool IsBluetoothComPort(const wchar_t* portName) {
    const std::u16string_view wanted = U16View(portName);
    if (wanted.empty()) {
        KELNO_LOG_WARN("[Bluetooth][ComScan] decision=not_bluetooth reason=invalid_port_name");
        return false;
    }
    ScopedDeviceInfoSet set(SetupDiGetClassDevsW(&kPortsSetupClass, nullptr, nullptr, DIGCF_PRESENT));
    if (!set) {
        KELNO_LOG_WARN(
            "[Bluetooth][ComScan] decision=not_bluetooth reason=ports_device_set_open_failed port={} error={}",
            Utf8(wanted), GetLastError());
        return false;
    }

    std::uint32_t enumerated = 0;
    std::uint32_t hardwareIdReadFailures = 0;
    std::uint32_t candidates = 0;
    std::uint32_t readablePortNames = 0;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    DWORD index = 0;
    for (;; ++index) {
        if (!SetupDiEnumDeviceInfo(set.get(), index, &device)) {
            const DWORD error = GetLastError();
            if (error != ERROR_NO_MORE_ITEMS)
                KELNO_LOG_INFO(
                    "[Bluetooth][ComScan] classification_probe_failed port={} stage=device_enumeration index={} "
                    "error={}",
                    Utf8(wanted), index, error);
            break;
        }
        ++enumerated;
        const std::optional<std::u16string> hardwareId = ReadHardwareId(set.get(), device);
        if (!hardwareId) {
            ++hardwareIdReadFailures;
            continue;
        }
        if (!IsBluetoothPortsHardwareId(*hardwareId)) continue;
        ++candidates;

        ScopedRegistryKey key(SetupDiOpenDevRegKey(set.get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ));
        if (!key) {
            KELNO_LOG_INFO(
                "[Bluetooth][ComScan] classification_probe_failed port={} stage=device_registry_open index={} "
                "hardwareId={} error={}",
                Utf8(wanted), index, Utf8(*hardwareId), GetLastError());
            continue;
        }
        LONG error = ERROR_SUCCESS;
        const std::optional<std::u16string> registryPortName =
            ReadRegistryString(key.get(), L"PortName", kPortNameValueChars, &error);
        if (!registryPortName) {
            KELNO_LOG_INFO(
                "[Bluetooth][ComScan] classification_probe_failed port={} stage=port_name_read index={} hardwareId={} "
                "error={}",
                Utf8(wanted), index, Utf8(*hardwareId), error);
            continue;
        }
        ++readablePortNames;
        if (SameComPortName(*registryPortName, wanted)) {
            KELNO_LOG_INFO("[Bluetooth][ComScan] decision=classified_as_bluetooth port={} hardwareId={}", Utf8(wanted),
                           Utf8(*hardwareId));
            return true;
        }
    }

    KELNO_LOG_INFO(
        "[Bluetooth][ComScan] decision=classified_as_serial reason=no_matching_bluetooth_device port={} "
        "enumeratedDevices={} hardwareIdReadFailures={} bluetoothHardwareCandidates={} readableCandidatePortNames={}",
        Utf8(wanted), enumerated, hardwareIdReadFailures, candidates, readablePortNames);
    return false;
}

}  // namespace kelno
