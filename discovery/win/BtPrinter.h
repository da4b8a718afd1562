#pragma once
// Bluetooth serial printers: the present COM port interfaces that belong to Bluetooth devices,
// each with its Bluetooth address and device name, listed as "BT Printer(COM5:)" rows of the
// install page's list view and followed by the row "Add Bluetooth Printer ...", which opens the
// system's device selection and pairing. Incoming (server) ports, whose address is all zero, are
// left out. Every decision is one structured "[Bluetooth]" log line; only a failed device
// selection other than a cancel reaches the user. Runs on the user-interface thread.
#include <windows.h>

#include <cstddef>
#include <vector>

#include "discovery/bluetooth_address.h"

namespace kelno {

// The COM ports registered under HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, normalised ("COM5"),
// without duplicates. Used to log the ports that no COM interface shows.
ComPortNameSet LogRegisteredSerialComPorts();

// The remote device's name, the value "Name" of the address's key under
// HKLM\SYSTEM\CurrentControlSet\Services\BTHPORT\Parameters\Devices, into name (nameChars
// units, terminated). False, with a log line, when there is none that fits.
bool GetDeviceNameByAddress(const wchar_t* address, wchar_t* name, std::size_t nameChars);

// The eligible Bluetooth COM ports in enumeration order.
std::vector<BluetoothPortEntry> EnumerateBluetoothCOMPorts();

// Replaces every row of the report list view with the Bluetooth rows: "BT Printer(<port>)",
// the device name and the port name in the first three columns, and a last row
// "Add Bluetooth Printer ...". Selects the first Bluetooth row shown.
void ListBluetoothPrinters(HWND listView);

// The system's Bluetooth device selection, modal to parent, and the pairing of the chosen device
// when it is not paired yet. True when a device was chosen (also when its pairing failed: the
// COM port may still appear later).
bool ShowBluetoothPairDialog(HWND parent);

}  // namespace kelno
