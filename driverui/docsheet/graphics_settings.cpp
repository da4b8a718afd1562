#include "driverui/docsheet/graphics_settings.h"

#include <algorithm>
#include <iterator>

#include "driverui/docsheet/binarise.h"
#include "resources/driverui/resource_ids.h"

namespace kelno {

namespace {

constexpr int kTrackbarZero = kTrackbarMaximum / 2;
constexpr int kSettingLimit = 100;

// Radio buttons of the "Dithering" group, in the order the page shows them.
constexpr DitherChoice kChoices[] = {
    {IDC_GRAPHICS_FLOYD_STEINBERG, kDitherFloydSteinberg},
    {IDC_GRAPHICS_ADAPTIVE, kDitherAdaptive},
    {IDC_GRAPHICS_BURKES, kDitherBurkes},
    {IDC_GRAPHICS_STUCKI, kDitherStucki},
    {IDC_GRAPHICS_JARVIS, kDitherJarvis},
    {IDC_GRAPHICS_SIERRA, kDitherSierra},
    {IDC_GRAPHICS_STEVENSON_ARCE, kDitherStevensonArce},
    {IDC_GRAPHICS_THRESHOLD, kDitherThreshold},
};

constexpr std::uint32_t kColourStrings[] = {IDS_SPECIAL_COLOUR_RED, IDS_SPECIAL_COLOUR_BLUE, IDS_SPECIAL_COLOUR_ORANGE};

int Held(int value) { return std::clamp(value, -kSettingLimit, kSettingLimit); }

}  // namespace

const std::span<const DitherChoice> kDitherChoices(kChoices);
const std::span<const std::uint32_t> kSpecialColourStrings(kColourStrings);

int TrackbarPosition(int value) { return Held(value) + kTrackbarZero; }

int TrackbarValue(int position) { return std::clamp(position, 0, kTrackbarMaximum) - kTrackbarZero; }

std::optional<int> DitherControl(std::uint32_t level) {
    const auto found =
        std::find_if(std::begin(kChoices), std::end(kChoices), [&](const DitherChoice& c) { return c.level == level; });
    if (found == std::end(kChoices)) return std::nullopt;
    return found->control;
}

bool IsTattooMode(std::uint32_t antiWrinkleFlag, std::u16string_view formName) {
    return antiWrinkleFlag != 0 && (formName == u"USER" || formName.find(u"(Tattoo)") != std::u16string_view::npos);
}

std::uint32_t OpeningDitherLevel(std::uint32_t level, bool tattooMode) {
    if (tattooMode) return kDitherStencil9;
    if (level == kDitherStencil9 || level == kDitherStencil11) return kDitherJarvis;
    return level;
}

std::uint16_t CheckBoxValue(bool checked, std::uint16_t stored) {
    if (!checked) return 0;
    return stored != 0 ? stored : 1;
}

TwoColourOptions ApplyTwoColourRule(bool twoColourChecked, bool enhanceChecked, bool dashedChecked) {
    if (twoColourChecked) return {false, false, false};
    return {enhanceChecked, dashedChecked, true};
}

std::optional<int> SpecialColourItem(std::uint16_t value) {
    if (value >= std::size(kColourStrings)) return std::nullopt;
    return static_cast<int>(value);
}

GraphicsSettings GraphicsSettingsOf(const DriverDevmode& devmode) {
    const PrivateDevmode& p = devmode.priv;
    GraphicsSettings settings;
    settings.ditherLevel = p.ditherLevel;
    settings.brightness = p.colorAdjustment.caBrightness;
    settings.contrast = p.colorAdjustment.caContrast;
    settings.lowResolutionEnhance = p.lowResolutionEnhance;
    settings.dashedLine = p.dashedLine;
    settings.twoColour = p.twoColorValue;
    settings.specialColour = p.specialColor;
    return settings;
}

void StoreGraphicsSettings(const GraphicsSettings& settings, DriverDevmode& devmode) {
    PrivateDevmode& p = devmode.priv;
    p.ditherLevel = settings.ditherLevel;
    p.colorAdjustment.caBrightness = static_cast<std::int16_t>(Held(settings.brightness));
    p.colorAdjustment.caContrast = static_cast<std::int16_t>(Held(settings.contrast));
    p.lowResolutionEnhance = settings.lowResolutionEnhance;
    p.dashedLine = settings.dashedLine;
    p.twoColorValue = settings.twoColour;
    p.specialColor = settings.specialColour;
}

PreviewSettings PreviewSettingsOf(const DriverDevmode& devmode, bool showOriginal) {
    PreviewSettings preview;
    preview.contrast = devmode.priv.colorAdjustment.caContrast;
    preview.brightness = devmode.priv.colorAdjustment.caBrightness;
    preview.ditherLevel = devmode.priv.ditherLevel;
    preview.ditherFamily = devmode.priv.ditherFamily;
    preview.showOriginal = showOriginal;
    return preview;
}

}  // namespace kelno
