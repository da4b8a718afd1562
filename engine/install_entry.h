#pragma once
// One printer to install or remove. The wizard pages and usbonestep fill it; the engine reads
// it and writes back the queue name it actually used and the model's flags.
#include <cstdint>

namespace kelno {

// Port kinds the engine acts on.
inline constexpr std::uint16_t kPortKindStandardTcpIp = 3;
inline constexpr std::int32_t kDefaultRawTcpPort = 9100;

struct PrinterInstallEntry {
    char16_t modelName[260];         // "Tavolen MX-410": also the driver name
    char16_t printerName[260];       // requested queue name; replaced by the unique name used
    char16_t driverEnvironment[30];  // written by the driver removal
    char16_t portName[260];
    char16_t hostAddress[20];    // IPv4 text of a network port
    char16_t deviceId[260];      // Plug and Play hardware identifier of a USB printer
    std::int32_t tcpPortNumber;  // raw TCP port of a network port
    std::uint16_t portKind;      // 3 = standard TCP/IP port
    std::uint8_t modelFlags;     // ModelFlags of the model (engine/model_table.h)
};

static_assert(sizeof(PrinterInstallEntry::driverEnvironment) == 30 * sizeof(char16_t));
static_assert(sizeof(PrinterInstallEntry::hostAddress) == 20 * sizeof(char16_t));

}  // namespace kelno
