#pragma once
// The spooler port scan of the install page: the ports the print spooler already knows, each
// with the port type the page's filter selects by (USB, network, COM, Bluetooth, other), minus
// the ports that another list already shows. COM ports that belong to a Bluetooth device are
// recognised through the Ports setup class. Every decision is one structured "[Bluetooth]" log
// line; no failure reaches the user. Runs on the user-interface thread.
#include <windows.h>

#include <cstdint>

namespace kelno {

// Reads the spooler's ports (EnumPortsW, level 2) and pushes each one that is not already in
// UsbDeviceList, NetworkPrinterList or SpoolerPortList at the head of SpoolerPortList. Returns
// the number of records added; a failed enumeration adds none and leaves the list as it was.
std::uint32_t ComScan();

// The port type (ClassifySpoolerPort, without the Bluetooth probe) of the spooler's port of
// exactly this name: 3 for a standard TCP/IP port. 0 when the spooler lists no such port.
std::uint16_t SpoolerPortKind(const wchar_t* portName);

// True when a present device of the Ports setup class whose hardware identifier marks it as
// Bluetooth ("BTHENUM" or "BTHPORT") has this port name ("COM3" equals "com3:").
bool IsBluetoothComPort(const wchar_t* portName);

}  // namespace kelno
