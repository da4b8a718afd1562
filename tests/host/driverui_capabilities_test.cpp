#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "driverui/core/capabilities.h"
#include "tests/support/model_fixture.h"

namespace kelno {
namespace {

using test::Name;

class CapabilitiesTest : public ::testing::Test {
protected:
    CapabilitiesTest() : model(test::LoadModel(u"Tavolen MX-430")) {
        BuildDriverDefault(model, u"P", devmode);
        forms = model.Papers();
        form = model.DefaultPaper();
    }

    CapabilityInputs Inputs() { return CapabilityInputs{model, devmode, form, forms, test::Strings()}; }

    std::int32_t Ask(std::uint16_t index, std::vector<std::uint8_t>* out = nullptr) {
        CapabilityOutput output;
        if (out) output.bytes = *out;
        return DeviceCapability(Inputs(), index, output);
    }

    std::u16string Slot(const std::vector<std::uint8_t>& bytes, std::size_t slot, std::size_t units = 64) {
        std::u16string text(units, u'\0');
        std::memcpy(text.data(), bytes.data() + slot * units * 2, units * 2);
        return text.substr(0, text.find(u'\0'));
    }

    PrinterModel model;
    DriverDevmode devmode{};
    std::optional<std::vector<PaperRecord>> forms;
    CurrentFormRecord form{};
};

TEST_F(CapabilitiesTest, FixedAndModelAnswers) {
    EXPECT_EQ(Ask(kDcMaxExtent), (22860 << 16) | 1080);
    EXPECT_EQ(Ask(kDcMinExtent), 0x00640064);
    EXPECT_EQ(Ask(kDcFields), static_cast<std::int32_t>(devmode.pub.dmFields));
    EXPECT_EQ(Ask(kDcSize), 220);
    EXPECT_EQ(Ask(kDcExtra), 4976);
    EXPECT_EQ(Ask(kDcCopies), 32767);
    EXPECT_EQ(Ask(kDcPrinterMem), 8192);
    EXPECT_EQ(Ask(kDcPrintRate), 0);
    model.record.model.defaultSpeed = 250;
    EXPECT_EQ(Ask(kDcPrintRate), 120);
    devmode.priv.twoColorValue = 2;
    EXPECT_EQ(Ask(kDcColorDevice), 2);
    for (std::uint16_t index : {0, 19, 20, 21, 23, 24, 31, 34, 1000}) EXPECT_EQ(Ask(index), kGdiError) << index;
}

TEST_F(CapabilitiesTest, MaxExtentCapsVeryLongPrinters) {
    model.record.maxPrintLength = 15240000;
    EXPECT_EQ(Ask(kDcMaxExtent) >> 16, 32767);
    model.record.maxPrintLength = 3276699;
    EXPECT_EQ(Ask(kDcMaxExtent) >> 16, 32767);  // rounds to 32767 as well
    model.record.maxPrintLength = 3276000;
    EXPECT_EQ(Ask(kDcMaxExtent) >> 16, 32760);
}

TEST_F(CapabilitiesTest, PaperLists) {
    EXPECT_EQ(Ask(kDcPapers), 6);
    std::vector<std::uint8_t> out(6 * 2);
    EXPECT_EQ(Ask(kDcPapers, &out), 6);
    std::uint16_t ids[6];
    std::memcpy(ids, out.data(), sizeof ids);
    EXPECT_EQ(ids[0], 257);
    EXPECT_EQ(ids[4], 261);
    EXPECT_EQ(ids[5], 256);

    out.assign(6 * 8, 0);
    EXPECT_EQ(Ask(kDcPaperSize, &out), 6);
    std::int32_t points[12];
    std::memcpy(points, out.data(), sizeof points);
    EXPECT_EQ(points[0], 1016);
    EXPECT_EQ(points[1], 1524);
    EXPECT_EQ(points[10], 1016);  // "USER": model entry 0, truncated
    EXPECT_EQ(points[11], 1523);

    out.assign(6 * 128, 0xFF);
    EXPECT_EQ(Ask(kDcPaperNames, &out), 6);
    EXPECT_EQ(Slot(out, 0), u"101.6 mm x 152.4 mm");
    EXPECT_EQ(Slot(out, 5), u"Custom size");

    forms.reset();
    EXPECT_EQ(Ask(kDcPapers), kGdiError);
    EXPECT_EQ(Ask(kDcPaperSize), kGdiError);
    EXPECT_EQ(Ask(kDcPaperNames), kGdiError);
}

TEST_F(CapabilitiesTest, ShortOutputGetsWholeElementsOnly) {
    std::vector<std::uint8_t> out(3 * 2 + 1, 0xEE);
    EXPECT_EQ(Ask(kDcPapers, &out), 6);
    EXPECT_EQ(out[6], 0xEE);
    out.assign(200, 0xEE);
    EXPECT_EQ(Ask(kDcPaperNames, &out), 6);
    EXPECT_EQ(Slot(out, 0), u"101.6 mm x 152.4 mm");
    EXPECT_EQ(out[128], 0xEE);
}

TEST_F(CapabilitiesTest, OnlyUserInTheList) {
    forms = std::vector<PaperRecord>{model.Papers()[0]};
    std::vector<std::uint8_t> out(128);
    EXPECT_EQ(Ask(kDcPaperNames, &out), 1);
    EXPECT_EQ(Slot(out, 0), u"Custom size");
    out.assign(2, 0);
    EXPECT_EQ(Ask(kDcPapers, &out), 1);
    EXPECT_EQ(out[0] | (out[1] << 8), 256);
    EXPECT_EQ(Ask(kDcMediaReady), 0);  // the current form has a height
}

TEST_F(CapabilitiesTest, MediaReady) {
    std::vector<std::uint8_t> out(5 * 128);
    EXPECT_EQ(Ask(kDcMediaReady, &out), 5);
    EXPECT_EQ(Slot(out, 4), u"72 mm x 100 mm");

    form.height = 0;
    StoreFixedText(form.name, std::u16string_view(u"Loaded"));
    EXPECT_EQ(Ask(kDcMediaReady), 1);
    EXPECT_EQ(Ask(kDcMediaReady, &out), 1);
    EXPECT_EQ(Slot(out, 0), u"Loaded");
}

TEST_F(CapabilitiesTest, NamedAnswers) {
    std::vector<std::uint8_t> out(64, 0xEE);
    EXPECT_EQ(Ask(kDcBinNames, &out), 1);
    EXPECT_EQ(Slot(out, 0, 24), u"Roll paper storehouse");
    model.record.modelFlags &= ~kModelFlagRollPaper;
    EXPECT_EQ(Ask(kDcBinNames, &out), 1);
    EXPECT_EQ(Slot(out, 0, 24), u"Main storehouse");

    devmode.priv.printerLanguage = 3;
    EXPECT_EQ(Ask(kDcPersonality, &out), 1);
    EXPECT_EQ(Slot(out, 0, 32), u"ZPL/ZPL2");
    devmode.priv.printerLanguage = 9;
    Ask(kDcPersonality, &out);
    EXPECT_EQ(Slot(out, 0, 32), u"Unknown");

    EXPECT_EQ(Ask(kDcEnumResolutions, &out), 1);
    std::int32_t resolutions[2];
    std::memcpy(resolutions, out.data(), sizeof resolutions);
    EXPECT_EQ(resolutions[0], 203);
    EXPECT_EQ(resolutions[1], 203);

    out.assign(2, 0xEE);
    EXPECT_EQ(Ask(kDcFileDependencies, &out), 0);
    EXPECT_EQ(out[0] | out[1], 0);
    EXPECT_EQ(Ask(kDcBins, &out), 1);
    EXPECT_EQ(out[0], 1);
}

TEST_F(CapabilitiesTest, OutputBytesMatchTheFullAnswer) {
    EXPECT_EQ(CapabilityOutputBytes(Inputs(), kDcPapers), 12u);
    EXPECT_EQ(CapabilityOutputBytes(Inputs(), kDcPaperSize), 48u);
    EXPECT_EQ(CapabilityOutputBytes(Inputs(), kDcPaperNames), 6u * 128);
    EXPECT_EQ(CapabilityOutputBytes(Inputs(), kDcMediaReady), 5u * 128);
    EXPECT_EQ(CapabilityOutputBytes(Inputs(), kDcFields), 0u);
}

TEST_F(CapabilitiesTest, SplDeviceCapsLimitsBySlots) {
    std::u16string buffer(63, u'#');
    EXPECT_EQ(SplDeviceCapability(Inputs(), kDcPaperNames, buffer.data(), 63), kGdiError);
    EXPECT_EQ(SplDeviceCapability(Inputs(), kDcPapers, nullptr, 0), kGdiError);
    EXPECT_EQ(SplDeviceCapability(Inputs(), kDcPaperNames, nullptr, 0), 6);

    buffer.assign(2 * 64 + 10, u'#');
    EXPECT_EQ(SplDeviceCapability(Inputs(), kDcPaperNames, buffer.data(), buffer.size()), 6);
    EXPECT_EQ(buffer.substr(0, 19), u"101.6 mm x 152.4 mm");
    EXPECT_EQ(buffer.substr(64, 14), u"76 mm x 130 mm");
    EXPECT_EQ(buffer[128], u'#');

    EXPECT_EQ(SplDeviceCapability(Inputs(), kDcMediaReady, buffer.data(), buffer.size()), 5);
}

}  // namespace
}  // namespace kelno
