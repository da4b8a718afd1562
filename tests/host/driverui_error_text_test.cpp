#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driverui/core/error_text.h"
#include "tests/support/model_fixture.h"

namespace kelno {
namespace {

std::u16string Expand(std::u16string_view format, std::vector<ErrorTextArg> args) {
    return ExpandErrorText(format, args, test::Strings());
}

TEST(ErrorText, Conversions) {
    const char16_t formName[32] = u"76 mm x 100 mm";
    EXPECT_EQ(Expand(u"<%s> %!", {ErrorTextArg::Text(formName, 32), 1914}),
              u"<76 mm x 100 mm> The selected paper has not been loaded.");
    EXPECT_EQ(Expand(u"%!", {1904}), u"The paper size is out of range supported by printer.");
    EXPECT_EQ(Expand(u"[%!]", {4242}), u"[]");
    EXPECT_EQ(Expand(u"%s|%c|%d|%u|%x|%X", {ErrorTextArg::Text(nullptr, 0), u'Q', -5, 4000000000u, 255, 48879}),
              u" |Q|-5|4000000000|ff|BEEF");
    EXPECT_EQ(Expand(u"%d", {INT32_MIN}), u"-2147483648");
    EXPECT_EQ(Expand(u"100% %q %", {}), u"100% %q %");
}

TEST(ErrorText, MissingAndMistypedArgumentsAreHarmless) {
    EXPECT_EQ(Expand(u"%s-%d-%!-%c", {}), u" -0--");
    EXPECT_EQ(Expand(u"%d %s", {std::u16string_view(u"text"), 7}), u"0  ");
}

TEST(ErrorText, ResourceTextsAreCutAt255Units) {
    const StringLookup strings = test::Strings({{1, std::u16string(400, u'r')}});
    const std::vector<ErrorTextArg> args = {1};
    EXPECT_EQ(ExpandErrorText(u"%!", args, strings).size(), 255u);
}

TEST(ErrorText, OutputIsBoundedTerminatedAndReportsTheNeed) {
    const std::vector<ErrorTextArg> args = {1914};
    char16_t out[10];
    std::fill(std::begin(out), std::end(out), u'#');
    std::size_t needed = 0;
    EXPECT_EQ(FormatErrorText(out, 8, &needed, u"%!", args, test::Strings()), 7u);
    EXPECT_EQ(std::u16string(out), u"The sel");
    EXPECT_EQ(out[8], u'#');
    EXPECT_EQ(needed, 40u);

    EXPECT_EQ(FormatErrorText(out, 0, &needed, u"abc", {}, {}), 0u);
    EXPECT_EQ(out[0], u'T');
    EXPECT_EQ(needed, 4u);
    EXPECT_EQ(FormatErrorText(nullptr, 10, &needed, u"abcd", {}, {}), 0u);
    EXPECT_EQ(needed, 5u);
    EXPECT_EQ(FormatErrorText(out, 10, nullptr, u"abcd", {}, {}), 4u);
    EXPECT_EQ(std::u16string(out), u"abcd");
}

}  // namespace
}  // namespace kelno
