#pragma once
// The supported printer models. The driver is registered under "<brand> <model>", which is
// also how the configuration DLL finds the model again.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kelno {

// Bits of ModelFlags.
inline constexpr std::uint8_t kModelUsesVersion3Inf = 0x01;      // the whole value 1: vamtv3.inf
inline constexpr std::uint8_t kModelUsesLanguageMonitor = 0x10;  // monitor and bidirectional printing

struct ModelRow {
    const char16_t* brand;
    const char16_t* model;
    std::uint16_t checksum;              // UsbHardwareIdChecksum of brand immediately followed by model
    const char16_t* defaultPrinterName;  // empty: the list entry text is proposed instead
    std::uint8_t flags;                  // ModelFlags
};

// The four rows in their fixed order.
std::span<const ModelRow> ModelTable();

// The first row whose "<brand><model>" or "<brand> <model>" equals text exactly
// (case-sensitive, whole string); null for no match or a null text.
const ModelRow* FindModel(const char16_t* text);
const ModelRow* FindModel(std::u16string_view text);

// "<brand> <model>": the driver name and the default queue name of a row.
std::u16string ModelDisplayName(const ModelRow& row);

}  // namespace kelno
