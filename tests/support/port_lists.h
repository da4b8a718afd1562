#pragma once
// Port lists built from a table of records, freed with the object; the first entry of the table
// ends up at the head, as if it had been pushed last.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "base/text.h"
#include "discovery/port_record.h"

namespace kelno::test {

struct TestPortFields {
    TestPortFields(std::u16string port, std::u16string desc, std::uint16_t type = kPortTypeUsb,
                   std::u16string serial = {}, std::u16string id = {})
        : portName(std::move(port)),
          description(std::move(desc)),
          portType(type),
          serialNumber(std::move(serial)),
          hardwareId(std::move(id)) {}
    std::u16string portName;
    std::u16string description;
    std::uint16_t portType = kPortTypeUsb;
    std::u16string serialNumber;
    std::u16string hardwareId;
};

class OwnedPortList {
public:
    OwnedPortList() = default;
    OwnedPortList(std::initializer_list<TestPortFields> headFirst) {
        // Pushed in reverse so that the table reads from the head.
        for (auto it = std::rbegin(headFirst); it != std::rend(headFirst); ++it) Push(*it);
    }
    ~OwnedPortList() { FreeAll(list_); }
    OwnedPortList(const OwnedPortList&) = delete;
    OwnedPortList& operator=(const OwnedPortList&) = delete;

    void Push(const TestPortFields& row) {
        PortRecordPtr record = MakePortRecord();
        SetField(record->portName, row.portName);
        SetField(record->description, row.description);
        SetField(record->serialNumber, row.serialNumber);
        SetField(record->hardwareId, row.hardwareId);
        record->portType = row.portType;
        PushFront(list_, std::move(record));
    }
    const PortList& list() const { return list_; }

private:
    PortList list_;
};

}  // namespace kelno::test
