#include "drvwizard/install_port_rows.h"

#include "base/text.h"

namespace kelno {

RowPlan PlanListRows(const PortList& list, std::uint16_t keepType) {
    RowPlan plan;
    for (const PortRecord* record = list.head; record; record = record->next) {
        const std::u16string portName(FieldText(record->portName));
        if (keepType != 0 && record->portType != keepType) {
            plan.dropped.push_back({portName, record->portType, keepType});
            continue;
        }
        plan.insert.push_back({portName, std::u16string(FieldText(record->description)), record->portType});
    }
    return plan;
}

std::u16string PortTypeText(std::uint16_t portType) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + portType % 10));
        portType = static_cast<std::uint16_t>(portType / 10);
    } while (portType != 0);
    return digits;
}

std::u16string UsbSnapshot(const PortList& usbDevices) {
    std::u16string snapshot;
    for (const PortRecord* record = usbDevices.head; record; record = record->next) {
        snapshot += FieldText(record->portName);
        snapshot += u'|';
        snapshot += FieldText(record->description);
        snapshot += u'|';
        snapshot += FieldText(record->serialNumber);
        snapshot += u'|';
        snapshot += FieldText(record->hardwareId);
        snapshot += u'\n';
    }
    return snapshot;
}

}  // namespace kelno
