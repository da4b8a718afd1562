#include "discovery/port_classification.h"

namespace kelno {
namespace {

bool Contains(std::u16string_view text, std::u16string_view part) {
    return text.find(part) != std::u16string_view::npos;
}

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

std::u16string_view WithoutOneColon(std::u16string_view name) {
    if (!name.empty() && name.back() == u':') name.remove_suffix(1);
    return name;
}

}  // namespace

bool IsComPortName(std::u16string_view portName) { return Contains(portName, u"COM"); }

std::uint16_t ClassifySpoolerPort(std::u16string_view portName, std::u16string_view description, bool bluetoothCom) {
    std::uint16_t type = kPortTypeOther;
    if (Contains(portName, u"USB")) type = kPortTypeUsb;
    else if (Contains(description, u"TCP/IP")) type = kPortTypeNetwork;
    if (IsComPortName(portName)) type = bluetoothCom ? kPortTypeBluetooth : kPortTypeCom;
    return type;
}

bool IsBluetoothPortsHardwareId(std::u16string_view hardwareId) {
    return Contains(hardwareId, u"BTHENUM") || Contains(hardwareId, u"BTHPORT");
}

bool SameComPortName(std::u16string_view registryPortName, std::u16string_view spoolerPortName) {
    const std::u16string_view a = WithoutOneColon(registryPortName);
    const std::u16string_view b = WithoutOneColon(spoolerPortName);
    if (a.empty() || a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

PortNameDuplicates FindPortNameDuplicates(std::u16string_view portName, const PortList& usbDevices,
                                          const PortList& networkPrinters, const PortList& spoolerPorts) {
    PortNameDuplicates found;
    found.usb = FindByPortName(usbDevices, portName) != nullptr;
    found.network = FindByPortName(networkPrinters, portName) != nullptr;
    found.spooler = FindByPortName(spoolerPorts, portName) != nullptr;
    return found;
}

bool FillSpoolerPortRecord(PortRecord& record, std::u16string_view portName, std::u16string_view description,
                           std::uint16_t portType) {
    if (portName.empty() || portName.size() >= kPortTextChars || portName.find(u'\0') != std::u16string_view::npos)
        return false;
    SetField(record.portName, portName);
    SetField(record.description, description);
    record.portType = portType;
    return true;
}

}  // namespace kelno
