#pragma once
// The rules of the WaterMark page, apart from its window: the settings it edits in the working
// copy's DEVMODE (the switch in the effect flags, the picture file, the position, scale and
// brightness), the trackbars that show them, what Apply writes back, and the printers whose
// sheet has no WaterMark page.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "driverui/core/devmode.h"

namespace kelno {

// Bit 8 of the effect flags: the watermark is printed.
inline constexpr std::uint32_t kWatermarkOnFlag = 0x100;
// A page step of every trackbar of the page.
inline constexpr int kWatermarkTrackbarPage = 10;
// The printer type whose printing preferences have no WaterMark page.
inline constexpr std::uint16_t kPrinterTypeWithoutWatermark = 3;

struct WatermarkSettings {
    bool on = false;
    std::uint16_t horizontal = 50;   // percent of the free width left of the picture
    std::uint16_t vertical = 50;     // percent of the free height above it
    std::uint16_t scale = 100;       // percent of the preview width
    std::uint16_t brightness = 128;  // 0-255; 255 leaves the picture as it is
    std::u16string path;             // the picture file
};

WatermarkSettings WatermarkSettingsOf(const DriverDevmode& devmode);
// Writes the settings into the DEVMODE: the switch into bit 8 of the flags (the other bits are
// kept), the percentages held to 0-100, the brightness to 0-255, the path cut to what its field
// holds with its terminator.
void StoreWatermarkSettings(const WatermarkSettings& settings, DriverDevmode& devmode);

// True when the page's fields (effect flags, the four values, the path) of two DEVMODEs differ.
bool WatermarkFieldsDiffer(const DriverDevmode& working, const DriverDevmode& stored);
// Apply: copies the page's fields from the working copy into the DEVMODE, nothing else.
void CopyWatermarkFields(const DriverDevmode& working, DriverDevmode& devmode);

// The trackbars of the page: control, range 0..maximum, and the setting each shows.
struct WatermarkTrackbar {
    int control;
    std::uint16_t maximum;
    std::uint16_t WatermarkSettings::*value;
};
extern const std::span<const WatermarkTrackbar> kWatermarkTrackbars;
// The position a trackbar shows for a setting, and the setting of a position, both held to the
// trackbar's range.
int WatermarkTrackbarPosition(const WatermarkTrackbar& trackbar, const WatermarkSettings& settings);
void StoreWatermarkTrackbarPosition(const WatermarkTrackbar& trackbar, long position, WatermarkSettings& settings);

// Whether the printing preferences of a printer of this type show the WaterMark page.
bool HasWatermarkPage(std::uint16_t printerType);

// The filter of the file choice: the label, a NUL, the patterns, and the closing two NULs.
std::u16string WatermarkFileFilter(std::u16string_view label);

}  // namespace kelno
