#pragma once
// The rules of the Graphics Property page, apart from its window: which dither levels the page
// offers and how a stored level is shown, the tattoo mode of anti-wrinkle models, the trackbar
// scale of brightness and contrast, the check-box values, the two-colour rule and the special
// colours, and the preview settings taken from the working copy.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "driverui/core/devmode.h"
#include "driverui/docsheet/preview_colour.h"

namespace kelno {

// Brightness and contrast trackbars: range 0-200, position = value + 100, a tick every 10.
inline constexpr int kTrackbarMaximum = 200;
inline constexpr int kTrackbarTick = 10;
int TrackbarPosition(int value);
// The value of a position; positions outside the range are held at its ends.
int TrackbarValue(int position);

// The radio button of a dither level and the level of a radio button: the levels 0-6 and 8
// have one; 7, the stencil levels 9-11 and levels of 12 and above have none.
struct DitherChoice {
    int control;
    std::uint32_t level;
};
extern const std::span<const DitherChoice> kDitherChoices;
std::optional<int> DitherControl(std::uint32_t level);

// Tattoo mode: an anti-wrinkle model printing on a "(Tattoo)" stock or "USER".
bool IsTattooMode(std::uint32_t antiWrinkleFlag, std::u16string_view formName);
// The dither level the page opens with: 9 in tattoo mode; outside it the stencil levels 9 and
// 11 become Jarvis (4); every other level stays.
std::uint32_t OpeningDitherLevel(std::uint32_t level, bool tattooMode);

// The value a check box stores: 0 when clear; when checked the stored value if it was already
// non-zero (a model may store another "on" value than 1), else 1.
std::uint16_t CheckBoxValue(bool checked, std::uint16_t stored);

// The two-colour rule: with two-colour mode checked, enhancement and dashed lines are cleared
// and disabled; without it both are enabled and keep their state.
struct TwoColourOptions {
    bool enhanceChecked;
    bool dashedChecked;
    bool optionsEnabled;
};
TwoColourOptions ApplyTwoColourRule(bool twoColourChecked, bool enhanceChecked, bool dashedChecked);

// The special colours of the drop-down, in list order: the string id of each; the value is the
// item's position (0 red, 1 blue, 2 orange).
extern const std::span<const std::uint32_t> kSpecialColourStrings;
// The list item of a stored special colour; none for a value outside the list.
std::optional<int> SpecialColourItem(std::uint16_t value);

// The settings of the page in the working copy's DEVMODE.
struct GraphicsSettings {
    std::uint32_t ditherLevel = 0;
    int brightness = 0;  // -100..100
    int contrast = 0;    // -100..100
    std::uint16_t lowResolutionEnhance = 0;
    std::uint16_t dashedLine = 0;
    std::uint16_t twoColour = 0;
    std::uint16_t specialColour = 0;
};
GraphicsSettings GraphicsSettingsOf(const DriverDevmode& devmode);
// Writes the settings into the DEVMODE; brightness and contrast are held to -100..100.
void StoreGraphicsSettings(const GraphicsSettings& settings, DriverDevmode& devmode);

// What the sample preview is rendered with.
PreviewSettings PreviewSettingsOf(const DriverDevmode& devmode, bool showOriginal);

}  // namespace kelno
