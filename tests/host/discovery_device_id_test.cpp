#include <gtest/gtest.h>

#include <string>

#include "discovery/device_id.h"

namespace kelno {
namespace {

DeviceIdValues Parse(std::string_view text) {
    return ParseDeviceId(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

TEST(DeviceId, ReadsModelAndCommandValues) {
    const auto v = Parse("MFG:Quillon;MDL:MX-362;CMD:QVL;CLS:PRINTER;");
    EXPECT_TRUE(v.model.found);
    EXPECT_EQ(v.model.View(), "MX-362");
    EXPECT_EQ(v.command.View(), "QVL");
    EXPECT_EQ(ModelVariantText(v), u"Quillon MX-362_");
}

TEST(DeviceId, AnyOtherCommandGivesThePlainModel) {
    for (const char* text : {"MDL:MX-362;CMD:ESC/POS;", "MFG:Quillon;MDL:MX-362;", "CMD:QVL", "CMD:QVLX;", "CMD:qvl;",
                             "CMD:QVL,ZPL;", "CMD:;", "", "MDL:QVL;"}) {
        EXPECT_EQ(ModelVariantText(Parse(text)), u"Quillon MX-362") << text;
    }
}

TEST(DeviceId, KeyWithoutSemicolonLeavesItsValueEmpty) {
    const auto v = Parse("CMD:QVL;MDL:MX-362");
    EXPECT_EQ(v.command.View(), "QVL");
    EXPECT_FALSE(v.model.found);
    EXPECT_EQ(v.model.View(), "");
}

TEST(DeviceId, TextEndsAtTheFirstNul) {
    const char bytes[] = "MDL:A;\0CMD:QVL;";
    const auto v = ParseDeviceId(reinterpret_cast<const std::uint8_t*>(bytes), sizeof(bytes) - 1);
    EXPECT_EQ(v.model.View(), "A");
    EXPECT_FALSE(v.command.found);
    EXPECT_FALSE(ParseDeviceId(nullptr, 10).command.found);
}

TEST(DeviceId, OverlongValuesAreCutAndNeverMatch) {
    const std::string v31(31, 'x'), v32(32, 'x');
    auto fits = Parse("MDL:" + v31 + ";");
    EXPECT_EQ(fits.model.View(), v31);
    EXPECT_FALSE(fits.model.truncated);

    auto cut = Parse("MDL:" + v32 + ";CMD:QVL" + std::string(40, ' ') + ";");
    EXPECT_EQ(cut.model.View(), v31);
    EXPECT_TRUE(cut.model.truncated);
    EXPECT_EQ(cut.model.text[31], '\0');
    EXPECT_TRUE(cut.command.truncated);
    EXPECT_EQ(ModelVariantText(cut), u"Quillon MX-362");
}

TEST(DeviceId, ValueRunsToTheNextSemicolonOnly) {
    // A whole 1024-byte answer with no terminator inside: nothing is read past its end.
    std::string answer = "CMD:QVL;MDL:";
    answer.resize(kDeviceIdAnswerBytes, 'y');
    const auto v = Parse(answer);
    EXPECT_EQ(v.command.View(), "QVL");
    EXPECT_FALSE(v.model.found);
}

}  // namespace
}  // namespace kelno
