#pragma once
// The answers of DrvDeviceCapabilities and DrvSplDeviceCaps, computed from a driver context:
// the model record, the merged DEVMODE, the current form and the printer's form list.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "driverui/core/devmode.h"
#include "driverui/core/paper_record.h"
#include "driverui/core/printer_model.h"
#include "driverui/core/string_lookup.h"

namespace kelno {

inline constexpr std::int32_t kGdiError = -1;

// Capability indices (DC_*).
inline constexpr std::uint16_t kDcFields = 1;
inline constexpr std::uint16_t kDcPapers = 2;
inline constexpr std::uint16_t kDcPaperSize = 3;
inline constexpr std::uint16_t kDcMinExtent = 4;
inline constexpr std::uint16_t kDcMaxExtent = 5;
inline constexpr std::uint16_t kDcBins = 6;
inline constexpr std::uint16_t kDcDuplex = 7;
inline constexpr std::uint16_t kDcSize = 8;
inline constexpr std::uint16_t kDcExtra = 9;
inline constexpr std::uint16_t kDcVersion = 10;
inline constexpr std::uint16_t kDcDriver = 11;
inline constexpr std::uint16_t kDcBinNames = 12;
inline constexpr std::uint16_t kDcEnumResolutions = 13;
inline constexpr std::uint16_t kDcFileDependencies = 14;
inline constexpr std::uint16_t kDcTrueType = 15;
inline constexpr std::uint16_t kDcPaperNames = 16;
inline constexpr std::uint16_t kDcOrientation = 17;
inline constexpr std::uint16_t kDcCopies = 18;
inline constexpr std::uint16_t kDcCollate = 22;
inline constexpr std::uint16_t kDcPersonality = 25;
inline constexpr std::uint16_t kDcPrintRate = 26;
inline constexpr std::uint16_t kDcPrintRateUnit = 27;
inline constexpr std::uint16_t kDcPrinterMem = 28;
inline constexpr std::uint16_t kDcMediaReady = 29;
inline constexpr std::uint16_t kDcStaple = 30;
inline constexpr std::uint16_t kDcColorDevice = 32;
inline constexpr std::uint16_t kDcNup = 33;

// Sizes of the output elements, in UTF-16 units for the texts.
inline constexpr std::size_t kPaperNameSlotUnits = 64;
inline constexpr std::size_t kBinNameUnits = 24;
inline constexpr std::size_t kPersonalityUnits = 32;

// String ids of the answers.
inline constexpr std::uint32_t kStringRollPaperBin = 2044;  // "Roll paper storehouse"
inline constexpr std::uint32_t kStringMainBin = 2045;       // "Main storehouse"
inline constexpr std::uint32_t kStringCustomSize = 2200;    // "Custom size"

struct CapabilityInputs {
    const PrinterModel& model;
    const DriverDevmode& devmode;  // merged
    const CurrentFormRecord& currentForm;
    // The printer's "FORMS" list as read for this call; nothing when it cannot be read.
    const std::optional<std::vector<PaperRecord>>& formList;
    StringLookup strings;
};

// The caller's output area: none when data() is null. Only whole elements that fit are
// written; slotLimit caps the number of list elements (DrvSplDeviceCaps).
struct CapabilityOutput {
    std::span<std::uint8_t> bytes;
    std::size_t slotLimit = std::numeric_limits<std::size_t>::max();
};

// The DrvDeviceCapabilities answer for index; kGdiError for an unknown index or an unreadable
// form list.
std::int32_t DeviceCapability(const CapabilityInputs& inputs, std::uint16_t index, CapabilityOutput output = {});

// The bytes the full answer for index writes: what a caller that sized its buffer from the
// count query provides.
std::size_t CapabilityOutputBytes(const CapabilityInputs& inputs, std::uint16_t index);

// The DrvSplDeviceCaps answer: only the paper names and the ready media. buffer holds units
// UTF-16 units (none when null); with a buffer, fewer than 64 units is an error.
std::int32_t SplDeviceCapability(const CapabilityInputs& inputs, std::uint16_t index, char16_t* buffer,
                                 std::size_t units);

// The printer-language name of DC_PERSONALITY.
const char16_t* PersonalityName(std::uint32_t language);

}  // namespace kelno
