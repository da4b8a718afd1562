#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "driverui/core/model_database.h"
#include "driverui/core/narrow_text.h"
#include "driverui/core/printer_model.h"
#include "tests/support/model_fixture.h"

namespace kelno {
namespace {

using test::Bytes;
using test::HeaderBytes;
using test::LoadModel;
using test::Name;
using test::PackageHeader;

// ---- Data-file header -------------------------------------------------------------------------

TEST(DataFileHeader, RejectsShortWrongSignatureAndWrongSize) {
    DataFileError error = DataFileError::None;
    std::vector<std::uint8_t> bytes = HeaderBytes(PackageHeader());
    EXPECT_FALSE(PrinterModel::FromDataFile(std::span(bytes).first(471), &error));
    EXPECT_EQ(error, DataFileError::ShortHeader);

    DataFileHeader header = PackageHeader();
    header.signature[0] = 'v';
    EXPECT_FALSE(PrinterModel::FromDataFile(HeaderBytes(header), &error));
    EXPECT_EQ(error, DataFileError::WrongSignature);

    header = PackageHeader();
    header.headerSize = 496;
    EXPECT_FALSE(PrinterModel::FromDataFile(HeaderBytes(header), &error));
    EXPECT_EQ(error, DataFileError::WrongHeaderSize);

    // A longer file is fine: only the header is read.
    bytes.resize(4096, 0xEE);
    EXPECT_TRUE(PrinterModel::FromDataFile(bytes, &error));
    EXPECT_EQ(error, DataFileError::None);
}

TEST(DataFileHeader, TakesTheFirst448BytesAndAllocatesTheExtra) {
    DataFileHeader header = PackageHeader();
    header.extraSize = 40;
    header.modelFields.ramSize = 1234;
    std::memset(header.unused, 0xAB, sizeof header.unused);
    const PrinterModel model = test::FromHeader(header);
    EXPECT_EQ(std::make_tuple(model.record.headerSize, model.record.model.ramSize, model.extra.size(),
                              model.AllocationSize()),
              std::make_tuple(496, 1234, 40u, 536u));
    for (const TableDescriptor& t : model.record.tables) {
        EXPECT_EQ(t.count, 0);
        EXPECT_EQ(t.entrySize, 0);
        EXPECT_EQ(t.location[0] | t.location[1], 0u);
    }
    EXPECT_EQ(std::string(model.record.deviceName), "Tavolen MX");
}

TEST(DataFileHeader, RepairsExtentsResolutionsAndLimits) {
    DataFileHeader h = PackageHeader();
    std::memset(h.deviceName, 'x', sizeof h.deviceName);  // unterminated
    h.modelFlags = 0xFFFF0000u | 0x0100;                  // only the low 14 bits stay; bit 0 clear
    h.maxPrintableWidth = 15000;
    h.marginLeft = 4000;
    h.marginRight = 3000;     // 8000 printable < 10 mm
    h.maxPrintLength = 5000;  // below 10 mm: 600 in
    h.yResolution = 300;
    h.yRasterResolution = 300;
    h.rasterOperationLevel = 9;
    h.maxScale = 20000;
    h.penCount = 200;
    h.value92 = 2;
    h.qualityCount = 7;
    h.customWidthLimit = 1;
    h.customLengthLimit = 2;
    h.halftonePatternSize = 99;
    const PrinterModel model = test::FromHeader(h);
    const ModelRecord& r = model.record;
    EXPECT_EQ(
        std::make_tuple(std::string(r.deviceName), r.modelFlags, r.maxPrintableWidth, r.maxPrintLength, r.yResolution,
                        r.yRasterResolution, r.rasterOperationLevel, r.maxScale, r.penCount, r.value92, r.qualityCount,
                        r.customWidthLimit, r.customLengthLimit, r.halftonePatternSize),
        std::make_tuple(std::string(31, 'x'), 0x0100u | 0x202u, 4000 + 3000 + 10000, 15240000u, 203u, 203, 3, 10000, 32,
                        0, 4, 17000u, 15240000u, 5u));
}

TEST(DataFileHeader, LengthBelowTheMarginsGrowsAndCustomLimitsFollowTheFlag) {
    DataFileHeader h = PackageHeader();
    h.maxPrintLength = 20000;
    h.marginTop = 8000;
    h.marginBottom = 7000;
    h.modelFlags &= ~0x100u;  // no custom sizes
    const PrinterModel model = test::FromHeader(h);
    EXPECT_EQ(
        std::make_tuple(model.record.maxPrintLength, model.record.customWidthLimit, model.record.customLengthLimit),
        std::make_tuple(25000u, 0u, 0u));
    EXPECT_EQ(model.record.penCount, 2);  // monochrome bit set: no pen limit, no 0x202
    EXPECT_EQ(model.record.modelFlags, 0x81u);
}

TEST(DataFileHeader, HostileMarginsDoNotOverflow) {
    DataFileHeader h = PackageHeader();
    h.marginLeft = 0x7FFFFFFF;
    h.marginRight = 0x7FFFFFFF;
    h.marginTop = 0x7FFFFFFF;
    h.marginBottom = 0x7FFFFFFF;
    const PrinterModel model = test::FromHeader(h);  // UBSan watches the arithmetic
    EXPECT_EQ(model.record.maxPrintableWidth, INT32_MAX);
    EXPECT_EQ(model.record.maxPrintLength, static_cast<std::uint32_t>(INT32_MAX));
}

TEST(DataFileHeader, ColorInfoDefaultsAndPelResolution) {
    DataFileHeader h = PackageHeader();
    h.colorInfo = ColorInfoRecord{};
    h.colorInfo.values[0] = 1;
    h.pelResolution = 100;
    PrinterModel model = test::FromHeader(h);
    EXPECT_EQ(model.record.colorInfo.values[0], 6380);
    EXPECT_EQ(model.record.pelResolution, 0u);

    h.colorInfo.values[11] = 2450;  // filled in: kept, pel resolution checked against the raster
    h.pelResolution = 100;
    model = test::FromHeader(h);
    EXPECT_EQ(model.record.colorInfo.values[0], 1);
    EXPECT_EQ(model.record.pelResolution, 100u);
    h.pelResolution = 29;
    EXPECT_EQ(test::FromHeader(h).record.pelResolution, 0u);
    h.pelResolution = 204;
    EXPECT_EQ(test::FromHeader(h).record.pelResolution, 0u);
}

TEST(DataFileHeader, HalftonePatternFollowsTheRasterResolution) {
    const std::pair<std::uint16_t, std::uint32_t> cases[] = {{150, 3},   {203, 5},   {600, 7},  {1199, 9},
                                                             {1200, 11}, {2000, 13}, {2400, 15}};
    for (const auto& [resolution, pattern] : cases) {
        DataFileHeader h = PackageHeader();
        h.xRasterResolution = resolution;
        h.halftonePatternSize = 16;
        EXPECT_EQ(test::FromHeader(h).record.halftonePatternSize, pattern) << resolution;
    }
    DataFileHeader h = PackageHeader();
    h.halftonePatternSize = 15;
    EXPECT_EQ(test::FromHeader(h).record.halftonePatternSize, 15u);
}

// ---- Model database: the shipped document -----------------------------------------------------

TEST(ModelDatabase, Mx410IsTheThermalTransferModel) {
    PrinterModel model = test::FromHeader(PackageHeader());
    const JsonLoadResult result = model.LoadJson(test::ShippedDatabase(), u"Tavolen MX-410", test::Strings());
    EXPECT_EQ(result.status, JsonLoadStatus::ModelApplied);
    EXPECT_TRUE(result.debugLine.empty());
    const ModelRecord& r = model.record;
    EXPECT_TRUE(r.modelFlags & kModelFlagThermalTransfer);
    EXPECT_EQ(r.maxPrintableWidth, 108000);
    EXPECT_EQ(r.maxPrintLength, 1778000u);
    EXPECT_EQ(r.model.defaultSpeed, 0);  // no "SendThis": the printer's own speed
    EXPECT_EQ(std::make_tuple(r.model.defaultDarkness, r.model.languageMask, r.model.defaultLanguage,
                              r.model.maxDarkness, r.model.accessories, r.model.gap, r.model.minLabelWidth,
                              std::string(r.model.defaultPaperName), r.maxCopies, r.pelResolution),
              std::make_tuple(0, 6, 2, 16, 3, 3000, 20000u, "USER", 32767, 203u));
    const std::uint16_t fixed[4] = {50, 50, 100, 128};
    EXPECT_EQ(std::memcmp(r.model.fixedValues, fixed, sizeof fixed), 0);
}

TEST(ModelDatabase, EachShippedModelGetsItsOwnRow) {
    struct Row {
        const char16_t* name;
        std::int32_t width;
        std::uint32_t length;
        bool thermalTransfer;
        std::uint16_t languages;
        std::uint16_t alignment;
    };
    const Row rows[] = {{u"Tavolen MX-420", 108000, 2286000, false, 6, 0},
                        {u"Tavolen MX-310", 72000, 1778000, false, 7, 1},
                        {u"Tavolen MX-410", 108000, 1778000, true, 6, 0},
                        {u"Tavolen MX-430", 108000, 2286000, false, 6, 0}};
    for (const Row& row : rows) {
        const PrinterModel model = LoadModel(row.name);
        SCOPED_TRACE(U16ToUtf8(row.name));
        EXPECT_EQ(model.record.maxPrintableWidth, row.width);
        EXPECT_EQ(model.record.maxPrintLength, row.length);
        EXPECT_EQ((model.record.modelFlags & kModelFlagThermalTransfer) != 0, row.thermalTransfer);
        EXPECT_EQ(std::make_tuple(model.record.model.languageMask, model.record.model.paperAlignment,
                                  model.record.model.outputDirection),
                  std::make_tuple(row.languages, row.alignment, row.alignment));
    }
}

TEST(ModelDatabase, NarrowModelKeepsOnlyThe72mmPapers) {
    const PrinterModel model = LoadModel(u"Tavolen MX-310");
    const auto& papers = model.Papers();
    ASSERT_EQ(papers.size(), 3u);
    EXPECT_EQ(std::make_tuple(Name(papers[0].name), papers[0].id, papers[0].width, papers[0].height,
                              Name(papers[1].name), papers[1].id, Name(papers[2].name), papers[2].id, papers[2].height),
              std::make_tuple(u"USER", 256u, 72000, 129900, u"72 mm x 130 mm", 257u, u"72 mm x 100 mm", 258u, 100000));
    EXPECT_EQ(papers[1].flags, 0x80000011u);  // type 1, direct thermal, from the database
    EXPECT_EQ(std::make_tuple(papers[1].gap, model.record.tables[kPaperTable].count,
                              model.record.tables[kPaperTable].entrySize),
              std::make_tuple(3000, 3, 112));
}

TEST(ModelDatabase, WideModelTakesAllFivePapers) {
    const PrinterModel model = LoadModel(u"Tavolen MX-410");
    const auto& papers = model.Papers();
    ASSERT_EQ(papers.size(), 6u);
    EXPECT_EQ(std::make_tuple(papers[0].width, papers[0].height, papers[1].width, papers[1].height),
              std::make_tuple(101600, 152300, 101600, 152400));
    for (std::size_t i = 1; i < papers.size(); ++i) {
        EXPECT_EQ(papers[i].id, 256u + i);
        EXPECT_EQ(papers[i].flags, 0x80000021u);  // thermal transfer media
    }
    EXPECT_EQ(Name(papers[5].name), u"72 mm x 100 mm");
}

TEST(ModelDatabase, DriverNameWithoutBlankChangesNothing) {
    PrinterModel model = test::FromHeader(PackageHeader());
    const ModelRecord before = model.record;
    const JsonLoadResult result = model.LoadJson(test::ShippedDatabase(), u"TavolenMX-410", test::Strings());
    EXPECT_EQ(result.status, JsonLoadStatus::NameNotSplit);
    EXPECT_EQ(result.debugLine, u"Unable to split Vender name and Model name from the DeviceName.");
    EXPECT_EQ(std::memcmp(&before, &model.record, sizeof before), 0);
    EXPECT_TRUE(model.Papers().empty());

    // A name that does not end within 50 units is not split either.
    const std::u16string longName = u"Tavolen " + std::u16string(45, u'M');
    EXPECT_EQ(model.LoadJson(test::ShippedDatabase(), longName, test::Strings()).status, JsonLoadStatus::NameNotSplit);
}

TEST(ModelDatabase, UnknownVendorKeepsTheListAndSetsCopies) {
    PrinterModel model = test::FromHeader(PackageHeader());
    const JsonLoadResult result = model.LoadJson(test::ShippedDatabase(), u"Othervendor MX-410", test::Strings());
    EXPECT_EQ(result.status, JsonLoadStatus::ModelNotFound);
    EXPECT_TRUE(model.Papers().empty());
    EXPECT_EQ(model.record.maxCopies, 32767);
    EXPECT_EQ(model.record.maxPrintLength, 2286000u);  // the data file's value
    EXPECT_EQ(model.record.model.fixedValues[3], 128);
}

TEST(ModelDatabase, UnknownModelOfAKnownVendorGetsTheVendorsPapers) {
    PrinterModel model = test::FromHeader(PackageHeader());
    const JsonLoadResult result = model.LoadJson(test::ShippedDatabase(), u"Tavolen MX-999", test::Strings());
    EXPECT_EQ(result.status, JsonLoadStatus::ModelNotFound);
    EXPECT_EQ(model.Papers().size(), 6u);  // 108 mm from the data file takes all five
    EXPECT_FALSE(model.record.modelFlags & kModelFlagThermalTransfer);
    EXPECT_EQ(model.record.maxCopies, 32767);
}

TEST(ModelDatabase, ModelNameIsEverythingAfterTheFirstBlankAndExact) {
    EXPECT_EQ(LoadModel(u"Tavolen  MX-410").Papers().size(), 6u);  // vendor papers, model " MX-410" unknown
    PrinterModel model = test::FromHeader(PackageHeader());
    EXPECT_EQ(model.LoadJson(test::ShippedDatabase(), u"Tavolen mx-410", test::Strings()).status,
              JsonLoadStatus::ModelNotFound);
    EXPECT_EQ(model.LoadJson(test::ShippedDatabase(), u"tavolen MX-410", test::Strings()).status,
              JsonLoadStatus::ModelNotFound);
}

TEST(ModelDatabase, ParseErrorsAndEmptyDocumentsLeaveTheRecord) {
    PrinterModel model = test::FromHeader(PackageHeader());
    const ModelRecord before = model.record;
    JsonLoadResult result = model.LoadJson(Bytes("{\"Venders\": [ }"), u"Tavolen MX-410", test::Strings());
    EXPECT_EQ(result.status, JsonLoadStatus::ParseError);
    EXPECT_EQ(result.debugLine.rfind(u"PrinterModel::LoadJson: Json reader parsing error:", 0), 0u);
    EXPECT_EQ(result.debugLine.substr(result.debugLine.size() - 2), u"\r\n");
    result = model.LoadJson({}, u"Tavolen MX-410", test::Strings());
    EXPECT_EQ(result.status, JsonLoadStatus::NoDocument);
    EXPECT_TRUE(result.debugLine.empty());
    EXPECT_EQ(std::memcmp(&before, &model.record, sizeof before), 0);
}

// ---- Model database: key rules on small documents ---------------------------------------------

PrinterModel LoadDocument(const std::string& modelMembers, const std::string& papers = "[]",
                          const DataFileHeader& header = PackageHeader()) {
    const std::string doc = "{\"Venders\":[{\"Vender Name\":\"V\",\"Models\":[{\"Model Name\":\"M\"" +
                            (modelMembers.empty() ? "" : "," + modelMembers) + "}],\"Papers\":" + papers + "}]}";
    PrinterModel model = test::FromHeader(header);
    const JsonLoadResult result = model.LoadJson(Bytes(doc), u"V M", test::Strings({{77, u"From resources"}}));
    EXPECT_EQ(result.status, JsonLoadStatus::ModelApplied) << doc;
    return model;
}

TEST(ModelDatabaseKeys, WidthsTruncateDifferently) {
    const PrinterModel model = LoadDocument("\"Maximum Print Width\":104.9,\"Minimum Label Width\":20.5");
    EXPECT_EQ(model.record.maxPrintableWidth, 104000);
    EXPECT_EQ(model.record.model.minLabelWidth, 20500u);
}

TEST(ModelDatabaseKeys, MissingRequiredKeysReadAsZero) {
    DataFileHeader header = PackageHeader();
    header.modelFields.maxDarkness = 9;
    header.modelFields.ramSize = 77;
    header.modelFlags |= kModelFlagThermalTransfer;
    const PrinterModel model = LoadDocument("", "[]", header);
    EXPECT_EQ(model.record.xResolution, 0u);
    EXPECT_EQ(model.record.model.ramSize, 0);
    EXPECT_EQ(model.record.model.maxDarkness, 9);  // an empty "Option" leaves the maximum
    EXPECT_FALSE(model.record.modelFlags & kModelFlagThermalTransfer);
    EXPECT_EQ(std::make_tuple(model.record.model.ditherLevel, model.record.model.postAction,
                              std::string(model.record.model.defaultPaperName)),
              std::make_tuple(8u, 1u, "USER"));
}

TEST(ModelDatabaseKeys, SendThisKeepsTheDefaultsAndSpeedNeedsOptions) {
    PrinterModel model =
        LoadDocument("\"Speed\":{\"Value\":300,\"Step\":50,\"Option\":[100,400],\"SendThis\":1,\"HideSpeed\":1},"
                     "\"Density\":{\"Value\":7,\"Option\":[1,15],\"SendThis\":true}");
    EXPECT_EQ(std::make_tuple(model.record.model.defaultSpeed, model.record.model.minSpeed, model.record.model.maxSpeed,
                              model.record.model.speedStep, model.record.model.hideSpeed,
                              model.record.model.defaultDarkness, model.record.model.maxDarkness),
              std::make_tuple(300, 100, 400, 50, 1u, 7, 15));

    model = LoadDocument("\"Speed\":{\"Value\":300,\"Step\":50,\"Option\":[],\"SendThis\":1}");
    EXPECT_EQ(
        std::make_tuple(model.record.model.defaultSpeed, model.record.model.speedStep, model.record.model.maxSpeed),
        std::make_tuple(0, 0, 0));
}

TEST(ModelDatabaseKeys, OptionalKeysAndResolutions) {
    const PrinterModel model = LoadDocument(
        "\"DPI\":203,\"xDPI\":300,\"AntiWrinkle\":5,\"Enable2Colors\":2,\"ExtraSettings\":{\"ShiftH\":-2,\"ShiftV\":3},"
        "\"PrintWidth\":100,\"TSPLZIPMODE\":{\"Value\":1,\"Option\":[1,2,8]},\"Default Paper\":\"\","
        "\"DontShowPaperSizeInTheName\":true,\"RFID\":1,\"Config2\":{\"Density\":{\"Value\":3,\"Option\":[1,9]},"
        "\"Speed\":{\"Value\":2,\"Option\":[1,5],\"Step\":1}},\"SendPaperSize\":{\"Value\":1},\"PrintDirection\":1");
    const ModelRecord& r = model.record;
    EXPECT_EQ(
        std::make_tuple(r.xResolution, r.xRasterResolution, r.yResolution, r.pelResolution, r.model.antiWrinkleFlag,
                        r.model.antiWrinkleValue, r.model.twoColorCapable, r.model.twoColorValue, r.model.shiftH,
                        r.model.shiftV, r.model.printWidth, r.model.compressionMode, r.model.compressionMask,
                        std::string(r.model.defaultPaperName), r.model.hideSizeInPaperName),
        std::make_tuple(300u, 300, 203u, 300u, 1u, 5u, 1, 2, -2000, 3000, 100000u, 1u, 11u, "USER", 1u));
    EXPECT_EQ(r.model.rfid, 0);  // only the literal true counts
    EXPECT_EQ(std::make_tuple(r.model.darkness2Default, r.model.darkness2Max, r.model.speed2Min, r.model.speed2Max,
                              r.model.sendPaperSize, r.model.printDirection),
              std::make_tuple(3, 9, 1, 5, 1, 1));
}

TEST(ModelDatabaseKeys, WrongTypesAndHugeNumbersAreHarmless) {
    const PrinterModel model =
        LoadDocument("\"DPI\":\"203\",\"Maximum Print Width\":1e300,\"Maximum Print Length\":-5,\"Gap High\":100000,"
                     "\"Minimum Label Width\":1e30,\"Speed\":[1,2],\"Density\":{\"Value\":1e10,\"Option\":{}},"
                     "\"Default Paper\":\"" +
                     std::string(80, 'p') + "\"");
    const ModelRecord& r = model.record;
    EXPECT_EQ(std::make_tuple(r.xResolution, r.maxPrintableWidth, r.maxPrintLength, r.model.gap, r.model.minLabelWidth),
              std::make_tuple(0u, INT32_MAX, 0u, 65535, UINT32_MAX));
    EXPECT_EQ(r.model.defaultDarkness, 0);  // no "SendThis"
    EXPECT_EQ(std::string(r.model.defaultPaperName), std::string(49, 'p'));
}

TEST(ModelDatabaseKeys, LastMatchingVendorAndModelWin) {
    const std::string doc =
        "{\"Venders\":[{\"Vender Name\":\"V\",\"Models\":[{\"Model Name\":\"M\",\"DPI\":100}]},"
        "{\"Vender Name\":\"V\",\"Models\":[{\"Model Name\":\"M\",\"DPI\":200},{\"Model Name\":\"M\",\"DPI\":300}]}]}";
    PrinterModel model = test::FromHeader(PackageHeader());
    model.LoadJson(Bytes(doc), u"V M", {});
    EXPECT_EQ(model.record.xResolution, 300u);
}

// ---- Paper list builder -------------------------------------------------------------------------

TEST(PaperList, NamesMarginsAndModelPapersReplacingTheVendors) {
    DataFileHeader header = PackageHeader();
    header.marginLeft = 1000;
    header.marginBottom = 500;
    const std::string papers =
        "[{\"Paper Name\":\"Vendor\",\"Type\":0,\"Width\":50,\"Height\":30,\"Gap\":2,\"GapOffset\":0}]";
    const std::string own = "\"Maximum Print Width\":108,\"Papers\":[{\"RC_ID\":77,\"Paper "
                            "Name\":\"ignored\",\"Type\":49,\"Width\":50.5,\"Height\":30,"
                            "\"Margin\":{\"Left\":1,\"Right\":2,\"Top\":0.5,\"Bottom\":0},\"Gap\":2.5,\"GapOffset\":1},"
                            "{\"Paper Name\":\"" +
                            std::string(31, 'n') +
                            "\",\"Width\":20,\"Height\":20},"
                            "{\"Paper Name\":\"" +
                            std::string(32, 'n') +
                            "\",\"Width\":20,\"Height\":20},"
                            "{\"Paper Name\":\"Too wide\",\"Width\":108.001,\"Height\":20}]";
    const PrinterModel model = LoadDocument(own, papers, header);
    const auto& list = model.Papers();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(Name(list[1].name), u"From resources");
    EXPECT_EQ(list[1].width, 50500);
    EXPECT_EQ(list[1].marginLeft, 2000);
    EXPECT_EQ(list[1].marginRight, 2000);
    EXPECT_EQ(list[1].marginTop, 500);
    EXPECT_EQ(list[1].marginBottom, 500);
    EXPECT_EQ(list[1].gap, 2500);
    EXPECT_EQ(list[1].gapOffset, 1000);
    EXPECT_EQ(list[1].flags, 0x80000011u);  // 49 = 0x31: media bits replaced
    EXPECT_EQ(Name(list[2].name), std::u16string(31, u'n'));
    EXPECT_EQ(Name(list[3].name), u"");  // 32 bytes: too long for a form name
    EXPECT_EQ(list[0].height, 29900);
}

TEST(PaperList, AntiWrinkleModelsTakeOnlyType0AndEmptyArraysKeepTheList) {
    const std::string papers =
        "[{\"Paper Name\":\"A\",\"Type\":1,\"Width\":50,\"Height\":30},{\"Paper Name\":\"B\",\"Type\":0,\"Width\":50,"
        "\"Height\":30}]";
    PrinterModel model = LoadDocument("\"Maximum Print Width\":108,\"AntiWrinkle\":1", papers);
    ASSERT_EQ(model.Papers().size(), 2u);
    EXPECT_EQ(Name(model.Papers()[1].name), u"B");
    EXPECT_EQ(model.Papers()[1].id, 257u);

    // An empty "Papers" array of the model falls back to nothing: the list stays as it was.
    model = LoadDocument("\"Papers\":[]", "[]");
    EXPECT_TRUE(model.Papers().empty());
}

TEST(PaperList, SinglePrecisionTruncation) {
    EXPECT_EQ(PaperMicrometres(101.6), 101600);
    EXPECT_EQ(PaperMicrometres(152.4), 152400);
    EXPECT_EQ(PaperMicrometres(0.0015), 1);
    EXPECT_EQ(PaperMicrometres(-1.5), -1500);
    EXPECT_EQ(PaperMicrometres(1e300), INT32_MAX);
    EXPECT_EQ(PaperMicrometres(-1e300), INT32_MIN);
}

// ---- Default paper -------------------------------------------------------------------------------

TEST(DefaultPaper, FoundByNameElseEntry0ElseEmptyUser) {
    PrinterModel model = LoadModel(u"Tavolen MX-410");
    CurrentFormRecord form = model.DefaultPaper();  // "USER"
    EXPECT_EQ(Name(form.name), u"USER");
    EXPECT_EQ(form.id, 256u);
    EXPECT_EQ(form.right, 101600);
    EXPECT_EQ(form.bottom, 152300);

    std::strcpy(model.record.model.defaultPaperName, "76 mm x 100 mm");
    form = model.DefaultPaper();
    EXPECT_EQ(form.id, 259u);
    EXPECT_EQ(form.width, 76000);
    EXPECT_EQ(form.height, 100000);
    EXPECT_EQ(form.flags, 0x80000021u);
    EXPECT_EQ(form.gap, 3000);

    std::strcpy(model.record.model.defaultPaperName, "76 MM X 100 MM");
    EXPECT_EQ(model.DefaultPaper().id, 256u);

    model.SetPapers({});
    form = model.DefaultPaper();
    EXPECT_EQ(Name(form.name), u"USER");
    EXPECT_EQ(form.width, 0);
    EXPECT_EQ(form.flags, 1u);
    EXPECT_EQ(form.gap, 3000);
}

TEST(DefaultPaper, MarginsBecomeEdges) {
    PrinterModel model = test::FromHeader(PackageHeader());
    PaperRecord paper = test::Paper(u"P", 256, 50000, 30000);
    paper.marginLeft = 1000;
    paper.marginTop = 2000;
    paper.marginRight = 3000;
    paper.marginBottom = 4000;
    model.SetPapers({paper});
    const CurrentFormRecord form = model.DefaultPaper();
    EXPECT_EQ(form.left, 1000);
    EXPECT_EQ(form.top, 2000);
    EXPECT_EQ(form.right, 47000);
    EXPECT_EQ(form.bottom, 26000);
}

}  // namespace
}  // namespace kelno
