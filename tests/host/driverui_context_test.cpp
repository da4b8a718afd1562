#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "driverui/core/driver_context.h"
#include "tests/support/model_fixture.h"

namespace kelno {
namespace {

using test::Name;
using test::Paper;

std::vector<std::uint8_t> DevmodeBytesOf(const DriverDevmode& dm) {
    const auto bytes = DevmodeBytes(dm);
    return {bytes.begin(), bytes.end()};
}

class ContextTest : public ::testing::Test {
protected:
    ContextTest() { context.model = test::LoadModel(u"Tavolen MX-410"); }

    void Prepare() {
        ContextSources sources;
        sources.printerName = u"Printer";
        if (storedForms) sources.storedForms = std::span<const std::uint8_t>(*storedForms);
        sources.printerDevmode = printerDevmode;
        sources.callerDevmode = callerDevmode;
        const std::optional<std::vector<std::uint8_t>> forms = storedForms;
        sources.printer.formList = [forms]() -> std::optional<std::vector<PaperRecord>> {
            if (!forms) return std::nullopt;
            return NumberFormList(ParseFormList(*forms));
        };
        const std::optional<CurrentFormRecord> installed = installedForm;
        sources.printer.installedForm = [installed] { return installed; };
        PrepareContext(context, sources);
    }

    // A DEVMODE as the driver would have written it for this printer.
    DriverDevmode DriverWritten() {
        PrinterModel copy = context.model;
        DriverDevmode dm{};
        BuildDriverDefault(copy, u"Printer", dm);
        return dm;
    }

    DriverContextState context;
    std::optional<std::vector<std::uint8_t>> storedForms;
    std::optional<CurrentFormRecord> installedForm;
    std::vector<std::uint8_t> printerDevmode;
    std::vector<std::uint8_t> callerDevmode;
};

TEST_F(ContextTest, WithoutPrinterDataTheDefaultPaperIsCurrent) {
    Prepare();
    EXPECT_EQ(context.model.Papers().size(), 6u);
    EXPECT_EQ(Name(context.currentForm.name), u"USER");
    EXPECT_EQ(context.devmode.pub.dmPaperWidth, 1016);
    EXPECT_EQ(context.devmode.pub.dmPaperLength, 1523);
    EXPECT_EQ(context.mergeMask, 0u);
    EXPECT_EQ(context.printerDataFlags, 6u);
    EXPECT_EQ(Name(context.devmode.pub.dmDeviceName), u"Printer");
}

TEST_F(ContextTest, StoredFormsReplaceThePaperListRenumbered) {
    storedForms = SerializeFormList(
        {Paper(u"USER", 9, 50000, 30000), Paper(u"A", 9, 60000, 40000), Paper(u"B", 9, 70000, 50000)});
    ASSERT_EQ(storedForms->size(), 336u);
    Prepare();
    const auto& papers = context.model.Papers();
    ASSERT_EQ(papers.size(), 3u);
    EXPECT_EQ(papers[0].id, 256u);
    EXPECT_EQ(papers[1].id, 257u);
    EXPECT_EQ(papers[2].id, 258u);
    EXPECT_EQ(context.currentForm.width, 50000);  // the default "USER" is the printer's

    storedForms = std::vector<std::uint8_t>(50, 0);  // not even one record: the model's list stays
    context.model = test::LoadModel(u"Tavolen MX-410");
    Prepare();
    EXPECT_EQ(context.model.Papers().size(), 6u);
}

TEST_F(ContextTest, InstalledFormIsCurrentAndTheDevmodeHoldsItsPrintableArea) {
    CurrentFormRecord form{};
    StoreFixedText(form.name, std::u16string_view(u"Loaded"));
    form.width = 80000;
    form.height = 60000;
    form.left = 1000;
    form.top = 2000;
    form.right = 79000;
    form.bottom = 55050;
    installedForm = form;
    Prepare();
    EXPECT_EQ(Name(context.currentForm.name), u"Loaded");
    EXPECT_EQ(context.devmode.pub.dmPaperWidth, 780);
    EXPECT_EQ(context.devmode.pub.dmPaperLength, 530);
}

TEST_F(ContextTest, CallerCustomSizeAndListPaperBecomeTheCurrentForm) {
    storedForms = SerializeFormList(context.model.Papers());
    DriverDevmode caller = DriverWritten();
    caller.pub.dmFields = kDmPaperSize | kDmPaperWidth | kDmPaperLength;
    caller.pub.dmPaperSize = 256;
    caller.pub.dmPaperWidth = 500;
    caller.pub.dmPaperLength = 300;
    callerDevmode = DevmodeBytesOf(caller);
    Prepare();
    EXPECT_EQ(context.mergeMask, 0u);
    EXPECT_EQ(context.currentForm.width, 50000);
    EXPECT_EQ(context.currentForm.height, 30000);
    EXPECT_EQ(context.currentForm.right, 50000);
    EXPECT_EQ(context.devmode.pub.dmPaperWidth, 500);

    caller.pub.dmFields = kDmPaperSize;
    caller.pub.dmPaperSize = 259;
    callerDevmode = DevmodeBytesOf(caller);
    Prepare();
    EXPECT_EQ(Name(context.currentForm.name), u"76 mm x 100 mm");
    EXPECT_EQ(context.currentForm.id, 259u);
    EXPECT_EQ(context.devmode.pub.dmPaperSize, 259);
    EXPECT_EQ(context.devmode.pub.dmPaperWidth, 760);
}

TEST_F(ContextTest, MergeOrderAndTheLastMask) {
    DriverDevmode printer = DriverWritten();
    printer.pub.dmFields |= kDmCopies;
    printer.pub.dmCopies = 4;
    printer.priv.printSpeed = 300;
    printerDevmode = DevmodeBytesOf(printer);

    DriverDevmode caller = DriverWritten();
    caller.pub.dmFields = kDmPrintQuality;
    caller.pub.dmPrintQuality = 600;
    caller.priv.printSpeed = 400;
    callerDevmode = DevmodeBytesOf(caller);
    Prepare();
    EXPECT_EQ(context.mergeMask, 0x400u);        // the caller's merge
    EXPECT_EQ(context.devmode.pub.dmCopies, 4);  // not asked for by the caller: the printer's
    EXPECT_EQ(context.devmode.priv.printSpeed, 400u);

    caller.priv.printMode = 3;  // a damaged private part: the caller is not merged at all
    callerDevmode = DevmodeBytesOf(caller);
    Prepare();
    EXPECT_EQ(context.mergeMask, 0u);
    EXPECT_EQ(context.devmode.pub.dmCopies, 4);
    EXPECT_EQ(context.devmode.priv.printSpeed, 300u);
}

}  // namespace
}  // namespace kelno
