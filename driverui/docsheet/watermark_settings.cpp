#include "driverui/docsheet/watermark_settings.h"

#include <algorithm>
#include <cstring>

#include "driverui/core/narrow_text.h"
#include "resources/driverui/resource_ids.h"

namespace kelno {

namespace {

constexpr std::uint16_t kPercentMaximum = 100;
constexpr std::uint16_t kBrightnessMaximum = 255;

constexpr WatermarkTrackbar kTrackbars[] = {
    {IDC_WATERMARK_BRIGHTNESS, kBrightnessMaximum, &WatermarkSettings::brightness},
    {IDC_WATERMARK_SCALE, kPercentMaximum, &WatermarkSettings::scale},
    {IDC_WATERMARK_HORIZONTAL, kPercentMaximum, &WatermarkSettings::horizontal},
    {IDC_WATERMARK_VERTICAL, kPercentMaximum, &WatermarkSettings::vertical},
};

std::uint16_t Held(std::uint16_t value, std::uint16_t maximum) { return std::min(value, maximum); }

}  // namespace

const std::span<const WatermarkTrackbar> kWatermarkTrackbars(kTrackbars);

WatermarkSettings WatermarkSettingsOf(const DriverDevmode& devmode) {
    const PrivateDevmode& p = devmode.priv;
    WatermarkSettings settings;
    settings.on = (p.effectFlags & kWatermarkOnFlag) != 0;
    settings.horizontal = p.watermarkPosX;
    settings.vertical = p.watermarkPosY;
    settings.scale = p.watermarkScale;
    settings.brightness = p.watermarkBrightness;
    settings.path = std::u16string(FixedText(p.watermarkPath));
    return settings;
}

void StoreWatermarkSettings(const WatermarkSettings& settings, DriverDevmode& devmode) {
    PrivateDevmode& p = devmode.priv;
    p.effectFlags = settings.on ? (p.effectFlags | kWatermarkOnFlag) : (p.effectFlags & ~kWatermarkOnFlag);
    p.watermarkPosX = Held(settings.horizontal, kPercentMaximum);
    p.watermarkPosY = Held(settings.vertical, kPercentMaximum);
    p.watermarkScale = Held(settings.scale, kPercentMaximum);
    p.watermarkBrightness = Held(settings.brightness, kBrightnessMaximum);
    StoreFixedText(p.watermarkPath, std::u16string_view(settings.path));
}

bool WatermarkFieldsDiffer(const DriverDevmode& working, const DriverDevmode& stored) {
    const PrivateDevmode& a = working.priv;
    const PrivateDevmode& b = stored.priv;
    return a.effectFlags != b.effectFlags || a.watermarkBrightness != b.watermarkBrightness ||
           a.watermarkPosY != b.watermarkPosY || a.watermarkScale != b.watermarkScale ||
           a.watermarkPosX != b.watermarkPosX || FixedText(a.watermarkPath) != FixedText(b.watermarkPath);
}

void CopyWatermarkFields(const DriverDevmode& working, DriverDevmode& devmode) {
    const PrivateDevmode& from = working.priv;
    PrivateDevmode& to = devmode.priv;
    to.effectFlags = from.effectFlags;
    to.watermarkPosX = from.watermarkPosX;
    to.watermarkPosY = from.watermarkPosY;
    to.watermarkScale = from.watermarkScale;
    to.watermarkBrightness = from.watermarkBrightness;
    // The whole field: the text, its terminator and the zeros behind it.
    StoreFixedText(to.watermarkPath, FixedText(from.watermarkPath));
}

int WatermarkTrackbarPosition(const WatermarkTrackbar& trackbar, const WatermarkSettings& settings) {
    return Held(settings.*trackbar.value, trackbar.maximum);
}

void StoreWatermarkTrackbarPosition(const WatermarkTrackbar& trackbar, long position, WatermarkSettings& settings) {
    settings.*trackbar.value = static_cast<std::uint16_t>(std::clamp<long>(position, 0, trackbar.maximum));
}

bool HasWatermarkPage(std::uint16_t printerType) { return printerType != kPrinterTypeWithoutWatermark; }

std::u16string WatermarkFileFilter(std::u16string_view label) {
    std::u16string filter(label);
    filter.push_back(u'\0');
    filter += u"*.bmp;*.jpg;*.jpeg;*.png;*.gif";
    filter.push_back(u'\0');
    filter.push_back(u'\0');
    return filter;
}

}  // namespace kelno
