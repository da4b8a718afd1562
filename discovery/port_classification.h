#pragma once
// Port types of the spooler's ports, and the pure part of recognising a COM port that belongs
// to a Bluetooth device.
#include <cstdint>
#include <string_view>

#include "discovery/port_record.h"

namespace kelno {

// Whether a spooler port name needs the Bluetooth probe: it contains "COM" (case-sensitive).
bool IsComPortName(std::u16string_view portName);

// The port type of a spooler port. Rules in order, a later one overriding an earlier one:
// other (7); name contains "USB": USB (1), else description contains "TCP/IP": network (3);
// name contains "COM": COM (2), and Bluetooth (5) when bluetoothCom is true. All tests are
// case-sensitive substrings. bluetoothCom is the probe's answer and only counts for COM names.
std::uint16_t ClassifySpoolerPort(std::u16string_view portName, std::u16string_view description, bool bluetoothCom);

// A Ports-class hardware identifier that marks a Bluetooth device: it contains "BTHENUM" or
// "BTHPORT" (case-sensitive).
bool IsBluetoothPortsHardwareId(std::u16string_view hardwareId);

// Compares a device's "PortName" value with a spooler port name: one trailing ":" is dropped
// from each, then the two are compared without regard to ASCII case ("COM3" equals "com3:").
// An empty name equals nothing.
bool SameComPortName(std::u16string_view registryPortName, std::u16string_view spoolerPortName);

// Where a spooler port already appears. A port found in any list is not added again.
struct PortNameDuplicates {
    bool usb = false;
    bool network = false;
    bool spooler = false;
    bool Any() const { return usb || network || spooler; }
};
PortNameDuplicates FindPortNameDuplicates(std::u16string_view portName, const PortList& usbDevices,
                                          const PortList& networkPrinters, const PortList& spoolerPorts);

// Fills a spooler port's record: port name, description (cut to fit) and type. An empty port
// name, one of 260 characters or more, or one with a NUL inside is refused, because a cut name
// would name another port; the record is then left as it was and false returned.
bool FillSpoolerPortRecord(PortRecord& record, std::u16string_view portName, std::u16string_view description,
                           std::uint16_t portType);

}  // namespace kelno
