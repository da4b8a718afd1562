// The install page's readers of outside text: the host address a port monitor reports, the
// TCP port a user types, a list row's Bluetooth port and the queue name. An address that parses
// reads back the same from its printed form; a parsed port lies in 1..65535; a Bluetooth port never outgrows its field.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/text.h"
#include "drvwizard/install_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    if (!text.empty()) std::memcpy(text.data(), data, text.size() * 2);

    if (const auto address = kelno::ParseIpv4(text)) {
        if (kelno::ParseIpv4(kelno::FormatIpv4(*address)) != address) std::abort();
    }
    if (const auto port = kelno::ParseTcpPort(text)) {
        if (*port < 1 || *port > 65535) std::abort();
    }
    if (const auto port = kelno::BluetoothRowPort(text)) {
        if (port->empty() || port->size() > kelno::kBluetoothPortChars) std::abort();
    }
    (void)kelno::CheckPrinterName(text);

    kelno::PrinterInstallEntry request{};
    kelno::FillRequestFromRow(request, text, size ? data[0] % 8 : 0);
    kelno::FillNetworkFallback(request, text);
    if (request.portName[std::size(request.portName) - 1] != 0) std::abort();
    if (request.hostAddress[std::size(request.hostAddress) - 1] != 0) std::abort();
    return 0;
}
