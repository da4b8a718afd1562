// The rules of the Graphics Property page: dither levels and their radio buttons, tattoo mode,
// trackbars, check boxes, the two-colour rule, special colours and the DEVMODE fields.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>
#include <string>

#include "driverui/docsheet/binarise.h"
#include "driverui/docsheet/graphics_settings.h"

namespace kelno {
namespace {

TEST(GraphicsSettingsTest, TrackbarPositionsAndValues) {
    const struct { int value, position; } pairs[] = {{-100, 0}, {0, 100}, {37, 137}, {100, 200}};
    for (const auto& p : pairs) {
        EXPECT_EQ(TrackbarPosition(p.value), p.position);
        EXPECT_EQ(TrackbarValue(p.position), p.value);
    }
    // Values and positions outside the range are held at its ends.
    EXPECT_EQ(TrackbarPosition(-150), 0);
    EXPECT_EQ(TrackbarPosition(250), 200);
    EXPECT_EQ(TrackbarValue(-5), -100);
    EXPECT_EQ(TrackbarValue(230), 100);
}

TEST(GraphicsSettingsTest, EveryOfferedLevelHasOneRadioButtonAndTheOthersNone) {
    std::set<int> controls;
    for (std::uint32_t level = 0; level <= 13; ++level) {
        const std::optional<int> control = DitherControl(level);
        const bool offered = level <= 6 || level == kDitherThreshold;
        EXPECT_EQ(control.has_value(), offered) << level;
        if (!control) continue;
        EXPECT_TRUE(controls.insert(*control).second) << "shared by two levels: " << *control;
        const auto back = std::find_if(kDitherChoices.begin(), kDitherChoices.end(),
                                       [&](const DitherChoice& c) { return c.control == *control; });
        ASSERT_NE(back, kDitherChoices.end());
        EXPECT_EQ(back->level, level);
    }
    EXPECT_EQ(controls.size(), kDitherChoices.size());
}

TEST(GraphicsSettingsTest, TattooModeAndTheOpeningLevel) {
    const struct {
        std::uint32_t antiWrinkle;
        std::u16string_view form;
        bool tattoo;
    } modes[] = {
        {1, u"USER", true},         {1, u"A4 (Tattoo)", true}, {1, u"(Tattoo)", true},
        {1, u"user", false},        {1, u"USER 2", false},     {1, u"A4 (tattoo)", false},
        {0, u"A4 (Tattoo)", false}, {0, u"USER", false},       {1, u"", false},
    };
    for (const auto& m : modes)
        EXPECT_EQ(IsTattooMode(m.antiWrinkle, m.form), m.tattoo) << std::string(m.form.begin(), m.form.end());

    const struct {
        std::uint32_t stored;
        bool tattoo;
        std::uint32_t opened;
    } levels[] = {
        {0, true, 9},    {4, true, 9},  {11, true, 9}, {9, false, 4},   {11, false, 4},
        {10, false, 10}, {7, false, 7}, {0, false, 0}, {12, false, 12},
    };
    for (const auto& l : levels) EXPECT_EQ(OpeningDitherLevel(l.stored, l.tattoo), l.opened) << l.stored;
}

TEST(GraphicsSettingsTest, CheckBoxesKeepAStoredOnValue) {
    const struct {
        bool checked;
        std::uint16_t stored, result;
    } cases[] = {{false, 0, 0}, {false, 3, 0}, {true, 0, 1}, {true, 1, 1}, {true, 3, 3}};
    for (const auto& c : cases) EXPECT_EQ(CheckBoxValue(c.checked, c.stored), c.result) << c.checked << c.stored;
}

TEST(GraphicsSettingsTest, TwoColourModeClearsAndLocksTheOtherOptions) {
    const struct {
        bool twoColour, enhance, dashed;
        TwoColourOptions expected;
    } cases[] = {
        {true, true, true, {false, false, false}},
        {true, false, false, {false, false, false}},
        {false, true, false, {true, false, true}},
        {false, false, true, {false, true, true}},
    };
    for (const auto& c : cases) {
        const TwoColourOptions o = ApplyTwoColourRule(c.twoColour, c.enhance, c.dashed);
        EXPECT_EQ(o.enhanceChecked, c.expected.enhanceChecked);
        EXPECT_EQ(o.dashedChecked, c.expected.dashedChecked);
        EXPECT_EQ(o.optionsEnabled, c.expected.optionsEnabled);
    }
}

TEST(GraphicsSettingsTest, SpecialColourItems) {
    for (std::uint16_t value = 0; value < 5; ++value) {
        const std::optional<int> item = SpecialColourItem(value);
        EXPECT_EQ(item.has_value(), value < kSpecialColourStrings.size()) << value;
        if (item) EXPECT_EQ(*item, value);
    }
}

template <typename T>
T At(const DriverDevmode& devmode, std::size_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const std::uint8_t*>(&devmode) + offset, sizeof value);
    return value;
}

TEST(GraphicsSettingsTest, SettingsLiveInTheirDevmodeFields) {
    DriverDevmode devmode{};
    GraphicsSettings settings;
    settings.ditherLevel = 5;
    settings.brightness = -40;
    settings.contrast = 250;  // held at 100
    settings.lowResolutionEnhance = 1;
    settings.dashedLine = 2;
    settings.twoColour = 3;
    settings.specialColour = 2;
    StoreGraphicsSettings(settings, devmode);
    EXPECT_EQ(At<std::uint32_t>(devmode, 268), 5u);
    EXPECT_EQ(At<std::int16_t>(devmode, 288), 100);
    EXPECT_EQ(At<std::int16_t>(devmode, 290), -40);
    EXPECT_EQ(At<std::uint16_t>(devmode, 2964), 1);
    EXPECT_EQ(At<std::uint16_t>(devmode, 2966), 2);
    EXPECT_EQ(At<std::uint16_t>(devmode, 2968), 3);
    EXPECT_EQ(At<std::uint16_t>(devmode, 2970), 0) << "enhance mode is not the page's";
    EXPECT_EQ(At<std::uint16_t>(devmode, 2972), 2);

    const GraphicsSettings back = GraphicsSettingsOf(devmode);
    EXPECT_EQ(back.contrast, 100);
    EXPECT_EQ(back.brightness, -40);
    EXPECT_EQ(back.ditherLevel, 5u);

    devmode.priv.ditherFamily = kDitherFamily80;
    const PreviewSettings preview = PreviewSettingsOf(devmode, true);
    EXPECT_EQ(preview.contrast, 100);
    EXPECT_EQ(preview.brightness, -40);
    EXPECT_EQ(preview.ditherLevel, 5u);
    EXPECT_EQ(preview.ditherFamily, kDitherFamily80);
    EXPECT_TRUE(preview.showOriginal);
}

}  // namespace
}  // namespace kelno
