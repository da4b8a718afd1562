#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "driverui/core/devmode.h"
#include "driverui/core/narrow_text.h"
#include "tests/support/model_fixture.h"

namespace kelno {
namespace {

using test::LoadModel;
using test::Name;

// A caller's DEVMODE made from a driver DEVMODE: its first publicSize bytes, then extra
// private bytes, with the size fields saying so.
std::vector<std::uint8_t> CallerBytes(const DriverDevmode& dm, std::uint16_t publicSize = 220,
                                      std::uint16_t extra = kPrivateDevmodeSize) {
    std::vector<std::uint8_t> bytes(std::size_t{publicSize} + extra);
    std::memcpy(bytes.data(), &dm.pub, std::min<std::size_t>(publicSize, sizeof dm.pub));
    std::memcpy(bytes.data() + publicSize, &dm.priv, std::min<std::size_t>(extra, sizeof dm.priv));
    std::memcpy(bytes.data() + 68, &publicSize, 2);
    std::memcpy(bytes.data() + 70, &extra, 2);
    const std::uint16_t specVersion = SpecVersionForSize(publicSize) ? SpecVersionForSize(publicSize) : 0x0401;
    std::memcpy(bytes.data() + 64, &specVersion, 2);
    return bytes;
}

DriverDevmode FromBytes(const std::vector<std::uint8_t>& bytes) {
    DriverDevmode dm{};
    std::memcpy(&dm, bytes.data(), std::min(bytes.size(), sizeof dm));
    return dm;
}

class DevmodeTest : public ::testing::Test {
protected:
    DevmodeTest() : model(LoadModel(u"Tavolen MX-410")) {
        BuildDriverDefault(model, u"Label printer", defaults);
        request = defaults;
        request.pub.dmFields = 0;
    }

    // A printer whose form list is the model's papers and whose installed form is "USER".
    PrinterDataSource Printer(bool formsReadable = true, std::u16string installed = u"USER") {
        PrinterDataSource source;
        const std::vector<PaperRecord> papers = model.Papers();
        if (formsReadable) source.formList = [papers] { return std::optional(papers); };
        source.installedForm = [installed]() -> std::optional<CurrentFormRecord> {
            if (installed.empty()) return std::nullopt;
            CurrentFormRecord form{};
            StoreFixedText(form.name, std::u16string_view(installed));
            return form;
        };
        return source;
    }

    std::uint32_t Merge(const DriverDevmode& caller, const PrinterDataSource& printer) {
        target = defaults;
        return MergeDevmode(model, printer, CallerBytes(caller), target);
    }
    std::uint32_t Merge(const DriverDevmode& caller) { return Merge(caller, Printer()); }

    PrinterModel model;
    DriverDevmode defaults{};
    DriverDevmode request{};
    DriverDevmode target{};
};

// ---- Driver default -------------------------------------------------------------------------------

TEST_F(DevmodeTest, DefaultOfTheShippedThermalTransferModel) {
    const PublicDevmode& p = defaults.pub;
    EXPECT_EQ(
        std::make_tuple(Name(p.dmDeviceName), std::string(model.record.deviceName), p.dmSize, p.dmDriverExtra,
                        p.dmFields, p.dmOrientation, p.dmPaperSize, p.dmPaperWidth, p.dmPaperLength, Name(p.dmFormName),
                        p.dmScale, p.dmPrintQuality),
        std::make_tuple(u"Label printer", "Label printer", 220, 4976, 0x1051Fu, 1, 256, 1016, 1523, u"USER", 100, 203));

    const PrivateDevmode& q = defaults.priv;
    EXPECT_EQ(
        std::make_tuple(std::memcmp(q.signature, "MDVQ", 4), q.version, q.effectFlags, q.postAction, q.ditherLevel,
                        q.colorAdjustment.caSize, q.colorAdjustment.caRedGamma, q.printSpeed, q.darkness),
        std::make_tuple(0, 4112u, 0x20u, 1u, 8u, 24, 10000, 0u, 0u));
    EXPECT_EQ(q.printerLanguage, 2u);  // TSPL
    EXPECT_EQ(q.watermarkPosX, 50);
    EXPECT_EQ(q.watermarkBrightness, 128);
    EXPECT_EQ(q.scaleWidth, 101600u);  // no print width: paper-list entry 0
    EXPECT_EQ(std::string(q.defaultPaperName), "USER");
}

TEST_F(DevmodeTest, DefaultFollowsTheModelsLimits) {
    model.record.maxScale = 50;
    model.record.model.printDirection = 1;
    model.record.model.mirrorFlag = 1;
    model.record.model.printWidth = 80000;
    DriverDevmode dm{};
    BuildDriverDefault(model, u"", dm);
    EXPECT_EQ(std::make_tuple(dm.pub.dmScale, dm.pub.dmOrientation, dm.priv.effectFlags, dm.priv.scaleWidth),
              std::make_tuple(50, 2, 0x21u, 80000u));
    EXPECT_EQ(Name(dm.pub.dmDeviceName), u"Label printer");  // kept in the model by the last default

    model.record.maxScale = 0;
    model.record.maxCopies = 1;
    model.record.qualityCount = 0;
    BuildDriverDefault(model, u"P", dm);
    EXPECT_EQ(dm.pub.dmFields & (kDmScale | kDmCopies | kDmPrintQuality), 0u);
    EXPECT_EQ(dm.pub.dmScale, 100);

    model.SetPapers({});
    model.record.model.printWidth = 0;
    BuildDriverDefault(model, u"P", dm);
    EXPECT_EQ(dm.priv.scaleWidth, 108000u);  // no list: the printable width
    EXPECT_EQ(dm.pub.dmPaperSize, 256);
    EXPECT_EQ(dm.pub.dmPaperWidth, 0);
}

TEST_F(DevmodeTest, DefaultLanguageByPriorityAndEscPosDarkness) {
    const std::pair<std::uint16_t, std::uint32_t> cases[] = {{16 | 8 | 1, 5}, {8 | 4, 0}, {4 | 2, 3},
                                                             {2 | 1, 2},      {1, 1},     {0, 0}};
    for (const auto& [bits, language] : cases) {
        model.record.model.defaultLanguage = bits;
        model.record.model.maxDarkness = 16;
        DriverDevmode dm{};
        BuildDriverDefault(model, u"P", dm);
        EXPECT_EQ(dm.priv.printerLanguage, language) << bits;
        EXPECT_EQ(model.record.model.maxDarkness, language == 1 ? 8 : 16) << bits;
    }
}

TEST_F(DevmodeTest, DefaultColourRules) {
    model.record.modelFlags = kModelFlagMonochrome;  // monochrome only: DM_COLOR withdrawn
    DriverDevmode dm{};
    BuildDriverDefault(model, u"P", dm);
    EXPECT_EQ(std::make_tuple(dm.pub.dmColor, dm.pub.dmFields & kDmColor, model.record.modelFlags),
              std::make_tuple(1, 0u, kModelFlagMonochrome));

    model.record.modelFlags = 0;  // neither: colour requests become examined
    BuildDriverDefault(model, u"P", dm);
    EXPECT_EQ(model.record.modelFlags, kModelFlagColour);
}

TEST_F(DevmodeTest, LongDeviceNameIsCutAndNotKeptInTheModel) {
    const std::u16string name(40, u'n');
    DriverDevmode dm{};
    BuildDriverDefault(model, name, dm);
    EXPECT_EQ(Name(dm.pub.dmDeviceName), std::u16string(31, u'n'));
    EXPECT_EQ(std::string(model.record.deviceName), "Label printer");
}

// ---- Merge: public part ---------------------------------------------------------------------------

TEST_F(DevmodeTest, CustomSizeIsTakenWithTheFormNameEmptied) {
    request.pub.dmFields = kDmPaperSize | kDmPaperLength | kDmPaperWidth | kDmFormName;
    request.pub.dmPaperSize = 256;
    request.pub.dmPaperWidth = 1000;
    request.pub.dmPaperLength = 1500;
    EXPECT_EQ(Merge(request), 0u);
    EXPECT_EQ(std::make_tuple(target.pub.dmPaperSize, target.pub.dmPaperWidth, target.pub.dmPaperLength,
                              Name(target.pub.dmFormName), target.pub.dmFields & kDmPaperBits),
              std::make_tuple(256, 1000, 1500, u"", 0xEu));

    // Turned, it still fits (1778 mm long, 108 mm wide).
    request.pub.dmPaperWidth = 15000;
    request.pub.dmPaperLength = 1000;
    EXPECT_EQ(Merge(request), 0u);
    EXPECT_EQ(target.pub.dmPaperWidth, 15000);
}

TEST_F(DevmodeTest, TooSmallCustomSizeFallsBackToTheInstalledForm) {
    request.pub.dmFields = kDmPaperSize | kDmPaperLength | kDmPaperWidth;
    request.pub.dmPaperSize = 256;
    request.pub.dmPaperWidth = 90;  // 9 mm
    request.pub.dmPaperLength = 1500;
    EXPECT_EQ(Merge(request), 0u);  // installed "USER" takes the size
    EXPECT_EQ(std::make_tuple(target.pub.dmPaperSize, target.pub.dmPaperWidth, target.pub.dmPaperLength,
                              Name(target.pub.dmFormName), target.pub.dmFields & kDmPaperBits),
              std::make_tuple(256, 90, 1500, u"USER", 0x10002u));

    // Installed is a list paper: that paper, rounded to tenths.
    EXPECT_EQ(Merge(request, Printer(true, u"76 mm x 130 mm")), 0u);
    EXPECT_EQ(std::make_tuple(target.pub.dmPaperSize, target.pub.dmPaperWidth, Name(target.pub.dmFormName)),
              std::make_tuple(258, 760, u"76 mm x 130 mm"));

    // No form list: the request stays unresolved and the default paper remains.
    EXPECT_EQ(Merge(request, Printer(false)), 0xEu);
    EXPECT_EQ(std::make_tuple(target.pub.dmPaperSize, target.pub.dmPaperWidth, target.pub.dmPaperLength,
                              target.pub.dmFields & kDmPaperBits),
              std::make_tuple(defaults.pub.dmPaperSize, defaults.pub.dmPaperWidth, defaults.pub.dmPaperLength,
                              defaults.pub.dmFields & kDmPaperBits));
}

TEST_F(DevmodeTest, CustomSizeBeyondThePrinterIsNotTaken) {
    request.pub.dmFields = kDmPaperSize | kDmPaperLength | kDmPaperWidth;
    request.pub.dmPaperSize = 0;
    request.pub.dmPaperWidth = 1100;  // 110 mm both ways is wider than 108 mm
    request.pub.dmPaperLength = 1100;
    EXPECT_EQ(Merge(request, Printer(false)), 0xEu);
}

TEST_F(DevmodeTest, ListPaperByIdByNameAndBySize) {
    request.pub.dmFields = kDmPaperSize;
    request.pub.dmPaperSize = 259;  // "76 mm x 100 mm"
    EXPECT_EQ(Merge(request), 0u);
    EXPECT_EQ(std::make_tuple(target.pub.dmPaperSize, target.pub.dmPaperWidth, target.pub.dmPaperLength,
                              Name(target.pub.dmFormName), target.pub.dmFields & kDmPaperBits),
              std::make_tuple(259, 760, 1000, u"76 mm x 100 mm", 0x10002u));

    // By name; the walk also matches by size, so keep the size fields off every paper.
    request.pub.dmFields = kDmFormName;
    request.pub.dmPaperWidth = 1;
    StoreFixedText(request.pub.dmFormName, std::u16string_view(u"72 mm x 130 mm"));
    EXPECT_EQ(Merge(request), 0u);
    EXPECT_EQ(target.pub.dmPaperSize, 260);

    request.pub.dmFields = kDmFormName | kDmPaperWidth | kDmPaperLength;
    StoreFixedText(request.pub.dmFormName, std::u16string_view(u"unknown"));
    request.pub.dmPaperWidth = 720;
    request.pub.dmPaperLength = 1000;
    EXPECT_EQ(Merge(request), 0u);
    EXPECT_EQ(target.pub.dmPaperSize, 261);

    // An id outside the list falls back to the installed form.
    request.pub.dmFields = kDmPaperSize;
    request.pub.dmPaperSize = 300;
    request.pub.dmPaperWidth = 500;
    request.pub.dmPaperLength = 300;
    EXPECT_EQ(Merge(request, Printer(true, u"72 mm x 100 mm")), 0u);
    EXPECT_EQ(target.pub.dmPaperSize, 261);
}

TEST_F(DevmodeTest, PrinterFormsWithoutTheBuiltInFlagAreNotTakenById) {
    std::vector<PaperRecord> forms = model.Papers();
    forms[2].flags &= ~kBuiltInPaperFlag;
    PrinterDataSource printer = Printer(true, u"72 mm x 100 mm");
    printer.formList = [forms] { return std::optional(forms); };
    request.pub.dmFields = kDmPaperSize;
    request.pub.dmPaperSize = 258;
    EXPECT_EQ(Merge(request, printer), 0u);
    EXPECT_EQ(target.pub.dmPaperSize, 261);  // the installed form instead
}

TEST_F(DevmodeTest, RejectedRequestsKeepTheDefaults) {
    request.pub.dmFields = kDmCopies | kDmPrintQuality | kDmOrientation | kDmScale;
    request.pub.dmCopies = 0;
    request.pub.dmPrintQuality = 600;
    request.pub.dmOrientation = 3;
    request.pub.dmScale = 401;
    EXPECT_EQ(Merge(request), 0x100u | 0x400u | 0x1u | 0x10u);
    EXPECT_EQ(
        std::make_tuple(target.pub.dmCopies, target.pub.dmPrintQuality, target.pub.dmOrientation, target.pub.dmScale),
        std::make_tuple(1, 203, 1, 100));

    request.pub.dmCopies = static_cast<std::int16_t>(40000);
    request.pub.dmPrintQuality = -3;
    request.pub.dmOrientation = 2;
    request.pub.dmScale = 400;
    EXPECT_EQ(Merge(request), 0x100u);
    EXPECT_EQ(
        std::make_tuple(target.pub.dmCopies, target.pub.dmPrintQuality, target.pub.dmOrientation, target.pub.dmScale),
        std::make_tuple(1, -3, 2, 400));

    request.pub.dmCopies = 32767;
    EXPECT_EQ(Merge(request), 0u);
    EXPECT_EQ(target.pub.dmCopies, 32767);
}

TEST_F(DevmodeTest, UnrequestedFieldsKeepTheDefaults) {
    request.pub.dmFields = kDmOrientation;
    request.pub.dmOrientation = 2;
    request.pub.dmCopies = 0;
    request.pub.dmPaperSize = 0;
    request.pub.dmPaperWidth = 0;
    request.pub.dmScale = 0;
    request.pub.dmDuplex = 2;
    EXPECT_EQ(Merge(request), 0u);
    EXPECT_EQ(std::make_tuple(target.pub.dmOrientation, target.pub.dmCopies, target.pub.dmPaperSize,
                              target.pub.dmPaperWidth, target.pub.dmScale),
              std::make_tuple(2, 1, 256, 1016, 100));
    EXPECT_EQ(target.pub.dmDuplex, 2);  // not examined: taken as it comes
    EXPECT_EQ(target.pub.dmFields, defaults.pub.dmFields);
}

TEST_F(DevmodeTest, ColourRequests) {
    request.pub.dmFields = kDmColor;
    request.pub.dmColor = 2;  // the shipped models are monochrome-only
    EXPECT_EQ(Merge(request), 0x800u);
    request.pub.dmColor = 1;
    EXPECT_EQ(Merge(request), 0u);
    EXPECT_TRUE(target.pub.dmFields & kDmColor);

    model.record.modelFlags |= kModelFlagColour;
    request.pub.dmColor = 2;
    EXPECT_EQ(Merge(request), 0u);
    EXPECT_EQ(target.pub.dmColor, 2);
    model.record.modelFlags &= ~kModelFlagMonochrome;
    request.pub.dmColor = 1;
    EXPECT_EQ(Merge(request), 0x800u);
}

// ---- Merge: private part --------------------------------------------------------------------------

TEST_F(DevmodeTest, PrivatePartIsTakenMaskedAndValidated) {
    request.priv.effectFlags = 0xF021;
    request.priv.printSpeed = 400;
    request.priv.colorAdjustment.caRedGamma = 2000;
    StoreFixedText(request.priv.commands[1], std::u16string_view(u"^XA^XZ"));
    EXPECT_EQ(Merge(request), 0u);
    EXPECT_EQ(std::make_tuple(target.priv.effectFlags, target.priv.printSpeed, target.priv.colorAdjustment.caRedGamma,
                              Name(target.priv.commands[1], kCommandTextUnits)),
              std::make_tuple(0x021u, 400u, 2000, u"^XA^XZ"));

    request.priv.colorAdjustment.caRedGamma = 1000;
    EXPECT_EQ(Merge(request), kMaskColorAdjustment);
    EXPECT_EQ(target.priv.colorAdjustment.caRedGamma, 10000);
}

TEST_F(DevmodeTest, PrivateFieldsThatAlwaysComeFromTheModel) {
    request.priv.printerType = 3;
    request.priv.antiWrinkleFlag = 1;
    request.priv.sendLanguageSwitch = 9;
    request.priv.reserved244 = 7;
    std::strcpy(request.priv.defaultPaperName, "other");
    request.priv.printMode = 2;
    EXPECT_EQ(Merge(request), 0u);
    EXPECT_EQ(
        std::make_tuple(target.priv.printerType, target.priv.antiWrinkleFlag, target.priv.sendLanguageSwitch,
                        target.priv.reserved244, std::string(target.priv.defaultPaperName), target.priv.printMode),
        std::make_tuple(0, 0u, 0, 0u, "USER", 2u));
}

TEST_F(DevmodeTest, ForeignOrOlderPrivatePartsKeepTheDefaults) {
    request.pub.dmFields = kDmCopies;
    request.pub.dmCopies = 5;
    request.priv.printSpeed = 400;

    DriverDevmode foreign = request;
    std::memcpy(foreign.priv.signature, "ABCD", 4);
    EXPECT_EQ(Merge(foreign), 0u);
    EXPECT_EQ(target.pub.dmCopies, 5);
    EXPECT_EQ(target.priv.printSpeed, 0u);

    DriverDevmode older = request;
    older.priv.version = 4111;
    EXPECT_EQ(Merge(older), 0u);
    EXPECT_EQ(target.priv.printSpeed, 0u);

    target = defaults;
    EXPECT_EQ(MergeDevmode(model, Printer(), CallerBytes(request, 220, 4000), target), 0u);
    EXPECT_EQ(target.priv.printSpeed, 0u);
    EXPECT_EQ(target.pub.dmCopies, 5);
}

TEST_F(DevmodeTest, OldPublicSizeWithoutPrivatePart) {
    request.pub.dmFields = kDmCopies | kDmOrientation;
    request.pub.dmCopies = 3;
    request.pub.dmOrientation = 2;
    target = defaults;
    EXPECT_EQ(MergeDevmode(model, Printer(), CallerBytes(request, 188, 0), target), 0u);
    EXPECT_EQ(
        std::make_tuple(target.pub.dmCopies, target.pub.dmOrientation, target.pub.dmSize, target.pub.dmDriverExtra,
                        target.pub.dmSpecVersion, std::memcmp(&target.priv, &defaults.priv, sizeof target.priv)),
        std::make_tuple(3, 2, 220, 4976, 0x0401, 0));
}

TEST_F(DevmodeTest, CallerClaimsBeyondItsBufferAreIgnored) {
    request.pub.dmFields = kDmCopies;
    request.pub.dmCopies = 5;
    std::vector<std::uint8_t> bytes = CallerBytes(request, 220, 0);
    const std::uint16_t hostileExtra = 60000;
    std::memcpy(bytes.data() + 70, &hostileExtra, 2);
    target = defaults;
    EXPECT_EQ(MergeDevmode(model, Printer(), bytes, target), 0u);
    EXPECT_EQ(std::memcmp(&target, &defaults, sizeof target), 0);

    bytes = CallerBytes(request, 220, 0);
    const std::uint16_t hostileSize = 4000;
    std::memcpy(bytes.data() + 68, &hostileSize, 2);
    EXPECT_EQ(MergeDevmode(model, Printer(), bytes, target), 0u);
    EXPECT_EQ(MergeDevmode(model, Printer(), std::span(bytes).first(71), target), 0u);
    EXPECT_EQ(std::memcmp(&target, &defaults, sizeof target), 0);

    // An unknown size with a zero dmSpecVersion is not a DEVMODE either.
    bytes = CallerBytes(request, 200, 0);
    std::memset(bytes.data() + 64, 0, 2);
    EXPECT_EQ(MergeDevmode(model, Printer(), bytes, target), 0u);
    EXPECT_EQ(target.pub.dmCopies, 1);
}

TEST_F(DevmodeTest, UnterminatedCallerTextsAreCut) {
    for (auto& c : request.pub.dmFormName) c = u'F';
    for (auto& c : request.pub.dmDeviceName) c = u'D';
    for (auto& c : request.priv.watermarkPath) c = u'W';
    for (auto& command : request.priv.commands)
        for (auto& c : command) c = u'C';
    request.pub.dmFields = kDmFormName;
    Merge(request);
    EXPECT_EQ(std::make_tuple(Name(target.pub.dmDeviceName), Name(target.priv.watermarkPath, kWatermarkPathUnits),
                              Name(target.priv.commands[3], kCommandTextUnits)),
              std::make_tuple(std::u16string(31, u'D'), std::u16string(259, u'W'), std::u16string(261, u'C')));
}

TEST_F(DevmodeTest, TattooSheetsOfTheSpecialModel) {
    PrinterDataSource printer = Printer();
    printer.driverNameOf = [](std::u16string_view name) -> std::optional<std::u16string> {
        return name == u"Tattoo printer" ? std::optional<std::u16string>(u"MX-300") : std::nullopt;
    };
    StoreFixedText(request.pub.dmDeviceName, std::u16string_view(u"Tattoo printer"));
    request.pub.dmFields = 0;  // the default paper is "USER"
    Merge(request, printer);
    EXPECT_EQ(target.priv.ditherFamily, 300u);
    EXPECT_EQ(target.priv.ditherLevel, 11u);

    StoreFixedText(request.pub.dmDeviceName, std::u16string_view(u"Other"));
    Merge(request, printer);
    EXPECT_EQ(target.priv.ditherFamily, 0u);
}

TEST_F(DevmodeTest, CallerWithPrintModeAbove2IsNotMerged) {
    EXPECT_TRUE(CallerDevmodeIsMerged(CallerBytes(request)));
    request.priv.printMode = 3;
    EXPECT_FALSE(CallerDevmodeIsMerged(CallerBytes(request)));
    std::memcpy(request.priv.signature, "XXXX", 4);
    EXPECT_TRUE(CallerDevmodeIsMerged(CallerBytes(request)));
    EXPECT_TRUE(CallerDevmodeIsMerged(CallerBytes(request, 220, 40)));
}

// ---- Colour adjustment -----------------------------------------------------------------------------

TEST(ColorAdjustment, RangesAndWholeReset) {
    ColorAdjustment a = kDefaultColorAdjustment;
    EXPECT_FALSE(ValidateColorAdjustment(a));
    a.caRedGamma = 1344;
    a.caGreenGamma = 65000;
    a.caReferenceBlack = 4000;
    a.caReferenceWhite = 6000;
    a.caContrast = -100;
    a.caRedGreenTint = 100;
    a.caIlluminantIndex = 8;
    EXPECT_FALSE(ValidateColorAdjustment(a));

    a.caBlueGamma = 1343;
    a.caReferenceWhite = 10001;
    a.caBrightness = -101;
    a.caIlluminantIndex = 9;
    EXPECT_TRUE(ValidateColorAdjustment(a));
    EXPECT_EQ(std::make_tuple(a.caBlueGamma, a.caReferenceWhite, a.caBrightness, a.caIlluminantIndex),
              std::make_tuple(10000, 10000, 0, 0));
    EXPECT_EQ(a.caRedGamma, 1344);  // the valid ones stay

    a.caSize = 23;
    EXPECT_TRUE(ValidateColorAdjustment(a));
    EXPECT_EQ(std::memcmp(&a, &kDefaultColorAdjustment, sizeof a), 0);
}

// ---- Copy with sizes, output, conversions -----------------------------------------------------------

TEST_F(DevmodeTest, CopyWithSizesTakesTheSmallerParts) {
    std::vector<std::uint8_t> destination(188 + 100, 0xCC);
    const std::uint16_t size = 188, extra = 100, junkSpec = 0x1234;
    std::memcpy(destination.data() + 64, &junkSpec, 2);
    std::memcpy(destination.data() + 68, &size, 2);
    std::memcpy(destination.data() + 70, &extra, 2);
    EXPECT_EQ(CopyDevmodeWithSizes(DevmodeBytes(defaults), destination), 288);
    const DriverDevmode copied = FromBytes(destination);
    EXPECT_EQ(std::make_tuple(copied.pub.dmSize, copied.pub.dmDriverExtra, copied.pub.dmSpecVersion,
                              copied.pub.dmDriverVersion, copied.pub.dmCopies,
                              std::memcmp(destination.data() + 188, "MDVQ", 4)),
              std::make_tuple(188, 100, 0x0320, 0xCCCC, 1, 0));

    std::vector<std::uint8_t> small(100, 0);
    EXPECT_EQ(CopyDevmodeWithSizes(DevmodeBytes(defaults), small), -1);
    EXPECT_EQ(CopyDevmodeWithSizes(small, destination), -1);
}

TEST_F(DevmodeTest, CopyWithSizesIntoItself) {
    std::vector<std::uint8_t> bytes = CallerBytes(defaults);
    EXPECT_EQ(CopyDevmodeWithSizes(bytes, bytes), 5196);
    EXPECT_EQ(std::memcmp(bytes.data(), &defaults, 5196), 0);
}

TEST_F(DevmodeTest, OutputTakesTheSmallerSizesOfInputAndMerged) {
    // A 220-byte input without private part: a 220-byte output without one.
    request.pub.dmDriverVersion = 0x0123;
    const std::vector<std::uint8_t> input = CallerBytes(request, 220, 0);
    std::vector<std::uint8_t> output(kDriverDevmodeSize, 0xAA);
    ASSERT_TRUE(WriteDevmodeOutput(defaults, input, output));
    DriverDevmode out = FromBytes(output);
    EXPECT_EQ(std::make_tuple(out.pub.dmSize, out.pub.dmDriverExtra, out.pub.dmDriverVersion, out.pub.dmPaperWidth),
              std::make_tuple(220, 0, 0x0123, defaults.pub.dmPaperWidth));
    EXPECT_EQ(output[220], 0xAA);  // nothing written beyond

    const std::vector<std::uint8_t> old = CallerBytes(request, 188, 4976);
    ASSERT_TRUE(WriteDevmodeOutput(defaults, old, output));
    out = FromBytes(output);
    EXPECT_EQ(std::make_tuple(out.pub.dmSize, out.pub.dmSpecVersion, out.pub.dmDriverExtra,
                              std::memcmp(output.data() + 188, "MDVQ", 4)),
              std::make_tuple(188, 0x0320, 4976, 0));

    ASSERT_TRUE(WriteDevmodeOutput(defaults, {}, output));
    EXPECT_EQ(std::memcmp(output.data(), &defaults, kDriverDevmodeSize), 0);
    EXPECT_FALSE(WriteDevmodeOutput(defaults, {}, std::span(output).first(5195)));
    EXPECT_FALSE(WriteDevmodeOutput(defaults, input, std::span(output).first(219)));
}

TEST_F(DevmodeTest, ConvertRequests) {
    std::vector<std::uint8_t> output(kDriverDevmodeSize, 0);
    std::uint32_t size = 5000;
    ConvertOutcome r = ConvertDevmode(kConvertDriverDefault, {}, std::span(output).first(5000), &size);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.lastError, 122u);
    EXPECT_EQ(size, 5196u);
    size = 5196;
    r = ConvertDevmode(kConvertDriverDefault, {}, output, &size);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.buildDriverDefault);

    const std::vector<std::uint8_t> input = CallerBytes(defaults);
    size = 100;
    r = ConvertDevmode(kConvert351, input, std::span(output).first(100), &size);
    EXPECT_EQ(r.lastError, 122u);
    EXPECT_EQ(size, 5164u);
    size = 5196;
    r = ConvertDevmode(kConvert351, input, output, &size);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(size, 5164u);
    DriverDevmode out = FromBytes(output);
    EXPECT_EQ(std::make_tuple(out.pub.dmSize, out.pub.dmDriverVersion, out.pub.dmSpecVersion,
                              std::memcmp(output.data() + 188, "MDVQ", 4)),
              std::make_tuple(188, 0x0350, 0x0320, 0));

    // Convert into an output that already says what it is.
    std::vector<std::uint8_t> current = CallerBytes(request, 212, 10);
    size = static_cast<std::uint32_t>(current.size());
    r = ConvertDevmode(kConvertCurrent, input, current, &size);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(size, 222u);
    size = 221;
    r = ConvertDevmode(kConvertCurrent, input, std::span(current).first(221), &size);
    EXPECT_EQ(r.lastError, 87u);
    EXPECT_EQ(ConvertDevmode(kConvertCurrent, input, current, nullptr).lastError, 87u);
    EXPECT_FALSE(ConvertDevmode(3, input, current, &size).ok);
}

}  // namespace
}  // namespace kelno
