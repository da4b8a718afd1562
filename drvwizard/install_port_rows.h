#pragma once
// Which records of the three port lists become rows of the install page's port list, and in
// which order. The page inserts every row at the top of the list view, so a list walked from
// its head ends up with its last record on top.
#include <cstdint>
#include <string>
#include <vector>

#include "discovery/port_record.h"

namespace kelno {

struct PortRow {
    std::u16string portName;
    std::u16string description;
    std::uint16_t portType;
};

// A record left out of the list, with why: another port type than the filter keeps.
struct DroppedPort {
    std::u16string portName;
    std::uint16_t actualType;
    std::uint16_t requestedType;
};

struct RowPlan {
    std::vector<PortRow> insert;  // in the order the rows are inserted (each at the top)
    std::vector<DroppedPort> dropped;
};

// The rows of list in walk order (head first); keepType 0 keeps every record.
RowPlan PlanListRows(const PortList& list, std::uint16_t keepType);

// A USB printer or a network printer is known: the connect hint stays hidden and every row
// inserted is selected.
inline bool DeviceKnown(const PortList& usbDevices, const PortList& networkPrinters) {
    return usbDevices.head != nullptr || networkPrinters.head != nullptr;
}

// The third, hidden column: the port type in decimal.
std::u16string PortTypeText(std::uint16_t portType);

// The text of UsbDeviceList the USB refresh compares: per record in list order
// "<port>|<description>|<serial>|<hardware id>" and a line feed.
std::u16string UsbSnapshot(const PortList& usbDevices);

}  // namespace kelno
