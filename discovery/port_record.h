#pragma once
// One listed port of the install page and the process-wide lists it lives in. The USB scan,
// the network discovery and the spooler port scan each keep a singly linked list of these
// records, pushed at the head, with a count beside it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "base/text.h"

namespace kelno {

inline constexpr std::size_t kPortTextChars = 260;  // portName, description, serialNumber, hardwareId
inline constexpr std::size_t kVendorIdChars = 5;    // 4 characters and the terminator
inline constexpr std::size_t kChecksumChars = 5;    // "%04x" and the terminator

// Values of PortRecord::portType.
inline constexpr std::uint16_t kPortTypeUsb = 1;
inline constexpr std::uint16_t kPortTypeCom = 2;
inline constexpr std::uint16_t kPortTypeNetwork = 3;  // standard TCP/IP
inline constexpr std::uint16_t kPortTypeBluetooth = 5;
inline constexpr std::uint16_t kPortTypeOther = 7;  // parallel, file and anything else

// Heap-allocated and zero-filled (MakePortRecord); owned by the list it is pushed on.
struct PortRecord {
    PortRecord* next;
    char16_t vendorId[kVendorIdChars];            // as it stands in the device path, case kept
    char16_t hardwareIdChecksum[kChecksumChars];  // lowercase hex digits
    char16_t portName[kPortTextChars];
    char16_t description[kPortTextChars];
    char16_t serialNumber[kPortTextChars];
    char16_t hardwareId[kPortTextChars];
    std::uint16_t portType;
};

static_assert(sizeof(PortRecord::vendorId) == 5 * sizeof(char16_t));
static_assert(sizeof(PortRecord::hardwareIdChecksum) == 5 * sizeof(char16_t));
static_assert(sizeof(PortRecord::portName) == 260 * sizeof(char16_t));
static_assert(sizeof(PortRecord::description) == 260 * sizeof(char16_t));
static_assert(sizeof(PortRecord::serialNumber) == 260 * sizeof(char16_t));
static_assert(sizeof(PortRecord::hardwareId) == 260 * sizeof(char16_t));
static_assert(sizeof(PortRecord::portType) == 2);
static_assert(offsetof(PortRecord, next) == 0);
static_assert(offsetof(PortRecord, hardwareIdChecksum) == offsetof(PortRecord, vendorId) + 10);
static_assert(offsetof(PortRecord, portName) == offsetof(PortRecord, hardwareIdChecksum) + 10);
static_assert(offsetof(PortRecord, description) == offsetof(PortRecord, portName) + 520);
static_assert(offsetof(PortRecord, serialNumber) == offsetof(PortRecord, description) + 520);
static_assert(offsetof(PortRecord, hardwareId) == offsetof(PortRecord, serialNumber) + 520);
static_assert(offsetof(PortRecord, portType) == offsetof(PortRecord, hardwareId) + 520);

struct PortRecordDeleter {
    void operator()(PortRecord* record) const noexcept;
};
using PortRecordPtr = std::unique_ptr<PortRecord, PortRecordDeleter>;

// A zero-filled record, or null when memory runs out (the caller skips the item).
PortRecordPtr MakePortRecord() noexcept;

// A singly linked list of records with its count. Not locked: the network list is guarded by
// its owner.
struct PortList {
    PortRecord* head = nullptr;
    std::uint32_t count = 0;
};

// Takes ownership of record and pushes it at the head; adds 1 to the count. A null record is
// ignored.
void PushFront(PortList& list, PortRecordPtr record) noexcept;

// The first record whose port name equals portName exactly (case-sensitive), or null.
const PortRecord* FindByPortName(const PortList& list, std::u16string_view portName) noexcept;

// The first record with both this port name and this description (exact), or null.
const PortRecord* FindByPortNameAndDescription(const PortList& list, std::u16string_view portName,
                                               std::u16string_view description) noexcept;

// Unlinks every record whose port name equals portName exactly, then frees it, and lowers the
// count. The head entry is handled like any other. An empty name removes nothing. Returns the
// number of records removed.
std::uint32_t RemoveByPortName(PortList& list, std::u16string_view portName) noexcept;

// Frees every record and leaves the list empty with count 0.
void FreeAll(PortList& list) noexcept;

// The process-wide lists of the install page: connected USB printers, printers that answered
// the network discovery, and the ports the spooler already knows.
extern PortList UsbDeviceList;
extern PortList NetworkPrinterList;
extern PortList SpoolerPortList;

}  // namespace kelno
