#include <gtest/gtest.h>

#include "common/model_table.h"

namespace kelno {
namespace {

TEST(FindModel, MatchesBrandAndModelJoinedDirectlyOrWithOneBlank) {
    const ModelRow* spaced = FindModel(u"Tavolen MX-410");
    const ModelRow* joined = FindModel(u"TavolenMX-410");
    ASSERT_NE(spaced, nullptr);
    EXPECT_EQ(spaced, joined);
    EXPECT_EQ(std::u16string(spaced->model), u"MX-410");
    EXPECT_EQ(std::u16string(FindModel(u"Tavolen MX-430")->model), u"MX-430");
}

TEST(FindModel, NoPartialCaseInsensitiveOrNullMatches) {
    EXPECT_EQ(FindModel(u"tavolen mx-410"), nullptr);
    EXPECT_EQ(FindModel(u"Tavolen  MX-410"), nullptr);
    EXPECT_EQ(FindModel(u"Tavolen MX-41"), nullptr);
    EXPECT_EQ(FindModel(u"Tavolen MX-4100"), nullptr);
    EXPECT_EQ(FindModel(u""), nullptr);
    EXPECT_EQ(FindModel(static_cast<const char16_t*>(nullptr)), nullptr);
}

TEST(ModelTable, RowsInOrderWithFlagsZeroAndDisplayNames) {
    const char16_t* expected[] = {u"Tavolen MX-410", u"Tavolen MX-310", u"Tavolen MX-420", u"Tavolen MX-430"};
    size_t i = 0;
    for (const auto& row : ModelTable()) {
        EXPECT_EQ(ModelDisplayName(row), expected[i++]);
        EXPECT_EQ(row.flags, 0);
        EXPECT_EQ(std::u16string(row.defaultPrinterName), u"");
    }
}

}  // namespace
}  // namespace kelno
