#include "discovery/port_record.h"

#include <new>

namespace kelno {

PortList UsbDeviceList;
PortList NetworkPrinterList;
PortList SpoolerPortList;

void PortRecordDeleter::operator()(PortRecord* record) const noexcept { delete record; }

PortRecordPtr MakePortRecord() noexcept { return PortRecordPtr(new (std::nothrow) PortRecord{}); }

void PushFront(PortList& list, PortRecordPtr record) noexcept {
    if (!record) return;
    PortRecord* added = record.release();
    added->next = list.head;
    list.head = added;
    ++list.count;
}

const PortRecord* FindByPortName(const PortList& list, std::u16string_view portName) noexcept {
    for (const PortRecord* r = list.head; r; r = r->next)
        if (FieldText(r->portName) == portName) return r;
    return nullptr;
}

const PortRecord* FindByPortNameAndDescription(const PortList& list, std::u16string_view portName,
                                               std::u16string_view description) noexcept {
    for (const PortRecord* r = list.head; r; r = r->next)
        if (FieldText(r->portName) == portName && FieldText(r->description) == description) return r;
    return nullptr;
}

std::uint32_t RemoveByPortName(PortList& list, std::u16string_view portName) noexcept {
    if (portName.empty()) return 0;
    std::uint32_t removed = 0;
    PortRecord** link = &list.head;
    while (*link) {
        PortRecord* record = *link;
        if (FieldText(record->portName) == portName) {
            *link = record->next;  // unlink first, then free
            record->next = nullptr;
            delete record;
            ++removed;
            if (list.count > 0) --list.count;
        } else {
            link = &record->next;
        }
    }
    return removed;
}

void FreeAll(PortList& list) noexcept {
    PortRecord* record = list.head;
    list.head = nullptr;
    list.count = 0;
    while (record) {
        PortRecord* next = record->next;
        delete record;
        record = next;
    }
}

}  // namespace kelno
