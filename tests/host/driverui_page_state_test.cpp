// The printing-preferences sheet's page state: filling, applying and change tracking.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "driverui/core/narrow_text.h"
#include "driverui/docsheet/page_state.h"

namespace kelno {
namespace {

std::uint8_t* BytesOf(DriverDevmode& devmode) { return reinterpret_cast<std::uint8_t*>(&devmode); }

// Every byte of the DEVMODE set to one value.
DriverDevmode Filled(std::uint8_t value) {
    DriverDevmode devmode;
    std::memset(&devmode, value, sizeof devmode);
    return devmode;
}

DriverContextState ContextWith(std::u16string_view currentForm, std::u16string_view formName) {
    DriverContextState context;
    context.devmode = Filled(0x11);
    StoreFixedText(context.currentForm.name, currentForm);
    StoreFixedText(context.devmode.pub.dmFormName, formName);
    return context;
}

TEST(PageStateTest, StockNameIsTheCurrentFormOrElseTheDevmodeFormName) {
    const struct {
        std::u16string_view currentForm, formName, expected;
    } cases[] = {
        {u"4 x 6", u"2 x 1", u"4 x 6"},
        {u"", u"2 x 1", u"2 x 1"},
        {u"", u"", u""},
    };
    for (const auto& c : cases) {
        PageState state;
        LoadPageState(ContextWith(c.currentForm, c.formName), state);
        EXPECT_EQ(FixedText(state.stockName), c.expected) << std::string(c.currentForm.begin(), c.currentForm.end());
        EXPECT_FALSE(PageStateDiffers(state, ContextWith(c.currentForm, c.formName)));
    }
}

// Offsets of the whole DEVMODE and whether the pages edit them.
const struct {
    std::uint16_t offset;
    bool edited;
} kPrivateBytes[] = {
    {220, false},   // signature
    {224, false},   // version
    {228, true},    // effect flags
    {236, true},    // vertical offset
    {240, true},    // post-print action
    {244, false},   // reserved
    {248, true},    // occurrence
    {259, true},    // last byte of the post-feed distance
    {260, false},   // setting
    {268, true},    // dither level
    {272, false},   // caSize
    {278, false},   // caRedGamma
    {286, false},   // caReferenceWhite
    {288, true},    // caContrast
    {290, true},    // caBrightness
    {292, false},   // caColorfulness
    {296, true},    // print mode
    {300, true},    // setting the Print Settings page carries
    {304, false},   // setting
    {312, true},    // speed
    {316, true},    // darkness
    {320, false},   // paper saving
    {326, false},   // command texts
    {2424, false},  // printer language
    {2428, true},   // watermark path
    {2954, true},   // watermark brightness
    {2956, true},   // scale mode
    {2958, false},  // reserved
    {2960, true},   // scale width
    {2964, true},   // low-resolution enhancement
    {2968, true},   // two-colour value
    {2972, true},   // special colour
    {2974, false},  // printer type
    {3026, false},  // barcode optimisation
    {3028, true},   // anti-wrinkle value
    {3032, false},  // anti-wrinkle flag
    {3036, true},   // setting
    {3052, true},   // first byte of the settings block
    {5163, true},   // its last byte
    {5170, true},   // feed distance after printing
    {5172, true},   // setting
    {5176, true},   // ignore blank pages
    {5180, false},  // send language switch
    {5182, false},  // reserved
    {5184, true},   // dither family
    {5195, true},   // last byte
};

TEST(PageStateTest, ApplyWritesTheEditedFieldsOnly) {
    DriverContextState context = ContextWith(u"old stock", u"old stock");
    context.devmode.pub.dmFields = 0;
    const std::int16_t paperSize = context.devmode.pub.dmPaperSize;
    PageState state;
    StoreFixedText(state.stockName, std::u16string_view(u"new stock"));
    state.devmode = Filled(0x22);
    StorePageState(state, context);

    for (const auto& b : kPrivateBytes)
        EXPECT_EQ(BytesOf(context.devmode)[b.offset], b.edited ? 0x22 : 0x11) << "offset " << b.offset;
    EXPECT_EQ(FixedText(context.currentForm.name), u"new stock");
    EXPECT_EQ(FixedText(context.devmode.pub.dmFormName), u"new stock");
    EXPECT_EQ(context.devmode.pub.dmOrientation, 0x2222);
    EXPECT_EQ(context.devmode.pub.dmCopies, 0x2222);
    EXPECT_EQ(context.devmode.pub.dmFields, kDmOrientation | kDmCopies);
    EXPECT_EQ(context.devmode.pub.dmPaperSize, paperSize);
}

TEST(PageStateTest, ChangeTrackingSeesEditedFieldsOnly) {
    const DriverContextState context = ContextWith(u"stock", u"stock");
    PageState loaded;
    LoadPageState(context, loaded);
    for (const auto& b : kPrivateBytes) {
        PageState state = loaded;
        BytesOf(state.devmode)[b.offset] ^= 0xFF;
        EXPECT_EQ(PageStateDiffers(state, context), b.edited) << "offset " << b.offset;
    }
    PageState renamed = loaded;
    StoreFixedText(renamed.stockName, std::u16string_view(u"other"));
    EXPECT_TRUE(PageStateDiffers(renamed, context));
    PageState turned = loaded;
    turned.devmode.pub.dmOrientation = 2;
    EXPECT_TRUE(PageStateDiffers(turned, context));
    PageState copies = loaded;
    copies.devmode.pub.dmCopies = 3;
    EXPECT_TRUE(PageStateDiffers(copies, context));
    PageState scaled = loaded;
    scaled.devmode.pub.dmScale = 50;  // no page edits the scale
    EXPECT_FALSE(PageStateDiffers(scaled, context));

    // What was applied is no longer a change.
    DriverContextState applied = context;
    StorePageState(renamed, applied);
    EXPECT_FALSE(PageStateDiffers(renamed, applied));
}

TEST(PageStateTest, EditedFieldsStayInsideThePrivatePartAndDoNotOverlap) {
    std::set<int> bytes;
    for (const EditedField& field : kEditedPrivateFields) {
        EXPECT_GE(field.offset, kPublicDevmodeSize);
        EXPECT_LE(field.offset + field.size, kDriverDevmodeSize);
        for (int i = field.offset; i < field.offset + field.size; ++i) EXPECT_TRUE(bytes.insert(i).second) << i;
    }
}

}  // namespace
}  // namespace kelno
