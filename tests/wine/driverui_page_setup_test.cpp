// The Page Setup page (dialog 106) and the Edit Label Stock dialog (dialog 110) of the printing
// preferences, on queues of every model, on the private Xvfb display through the test host that
// plays the common property-sheet UI (tests/support/common_ui_host.h). The modal stock editor
// and the message boxes are driven from a helper thread (tests/support/modal_driver.h).
// Screenshots of the page and the dialog in English, German and Arabic are kept as artifacts.
#include <windows.h>
#include <commctrl.h>
#include <compstui.h>
#include <prsht.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "driverui/core/datafile_header.h"
#include "driverui/core/devmode.h"
#include "driverui/core/forms.h"
#include "driverui/core/paper_record.h"
#include "driverui/core/win/driver_interface.h"
#include "driverui/docsheet/label_preview.h"
#include "tests/support/common_ui_host.h"
#include "tests/support/modal_driver.h"
#include "tests/support/resources.h"
#include "tests/wine/driverui_test_support.h"

namespace kelno::test {
namespace {

HMODULE g_driverUi = nullptr;
constexpr int kPageSetupDialog = 106;
constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL);
constexpr LANGID kGerman = MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL);
constexpr LANGID kArabic = MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA);

std::wstring QueueOf(const wchar_t* driver) { return L"Page setup " + std::wstring(driver).substr(8); }

void InitialiseQueue(const std::wstring& queue) {
    using PrinterEvent = BOOL(WINAPI*)(LPWSTR, INT, DWORD, LPARAM);
    ASSERT_TRUE(ExportOf<PrinterEvent>(g_driverUi, "DrvPrinterEvent")(const_cast<wchar_t*>(queue.c_str()),
                                                                      kPrinterEventInitialize, 0, 0));
}

class PageSetupEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        ASSERT_TRUE(InstallPackageDrivers()) << GetLastError();
        for (const wchar_t* driver : kModelDrivers) ASSERT_TRUE(AddQueue(QueueOf(driver), driver));
        g_driverUi = LoadInstalledDriverUi();
        ASSERT_NE(g_driverUi, nullptr);
        for (const wchar_t* driver : kModelDrivers) InitialiseQueue(QueueOf(driver));
    }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new PageSetupEnvironment);

SheetEntry DocumentSheet() { return ExportOf<SheetEntry>(g_driverUi, "DrvDocumentPropertySheets"); }

std::wstring Text(HWND page, int id) {
    wchar_t text[128] = L"";
    GetDlgItemTextW(page, id, text, static_cast<int>(std::size(text)));
    return text;
}
void SetText(HWND window, int id, const std::wstring& text) { SetDlgItemTextW(window, id, text.c_str()); }
std::wstring ComboText(HWND page, int id, LRESULT item) {
    wchar_t text[128] = L"";
    if (SendDlgItemMessageW(page, id, CB_GETLBTEXTLEN, item, 0) >= static_cast<LRESULT>(std::size(text))) return {};
    SendDlgItemMessageW(page, id, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(text));
    return text;
}
LRESULT ComboCount(HWND page, int id) { return SendDlgItemMessageW(page, id, CB_GETCOUNT, 0, 0); }
LRESULT ComboSelection(HWND page, int id) { return SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0); }
void Choose(HWND page, int id, WPARAM item) {
    SendDlgItemMessageW(page, id, CB_SETCURSEL, item, 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}
void Click(HWND window, int id) { SendDlgItemMessageW(window, id, BM_CLICK, 0, 0); }
bool Enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }
// The sheet's Apply button: enabled by PSM_CHANGED, disabled by PSM_UNCHANGED.
constexpr int kApplyButton = 0x3021;
bool ApplyEnabled(HWND page) { return Enabled(GetParent(page), kApplyButton); }

template <typename T>
T Value(const std::vector<BYTE>& devmode, std::size_t offset) {
    T value{};
    std::memcpy(&value, devmode.data() + offset, sizeof value);
    return value;
}
template <typename T>
void Put(std::vector<BYTE>& devmode, std::size_t offset, T value) {
    std::memcpy(devmode.data() + offset, &value, sizeof value);
}

// The bytes in which two DEVMODEs differ, apart from the paper fields (dmFields, the paper size
// and dmFormName), which Apply always sets from the sheet's current form.
std::vector<std::size_t> ChangedBytes(const std::vector<BYTE>& before, const std::vector<BYTE>& after) {
    const auto paperField = [](std::size_t i) {
        return (i >= 72 && i < 76) || (i >= 78 && i < 84) || (i >= 102 && i < 166);
    };
    std::vector<std::size_t> changed;
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i)
        if (before[i] != after[i] && !paperField(i)) changed.push_back(i);
    return changed;
}

// The queue's default DEVMODE, for a test to change before the sheet opens.
std::vector<BYTE> QueueDevmode(const std::wstring& queue) {
    Printer printer(queue);
    std::vector<BYTE> dm(kDriverDevmodeSize);
    EXPECT_EQ(DocumentPropertiesW(nullptr, printer.get(), const_cast<wchar_t*>(queue.c_str()),
                                  reinterpret_cast<DEVMODEW*>(dm.data()), nullptr, DM_OUT_BUFFER),
              1);
    return dm;
}

struct PageRun {
    std::vector<BYTE> opened;   // the output DEVMODE written when the sheet opened
    std::vector<BYTE> applied;  // and after OK and Apply
    std::vector<WORD> pages;
};

// Opens the printing preferences of a queue on the Page Setup page (in a language), hands the
// page to check, presses OK and applies.
PageRun RunPageSetup(const std::wstring& queue, std::vector<BYTE>* in, const std::wstring& screenshot,
                     const std::function<void(HWND)>& check, LANGID language = kEnglish) {
    PageRun run;
    const LCID localeBefore = GetThreadLocale();
    const LANGID uiBefore = GetThreadUILanguage();
    SetThreadLocale(MAKELCID(language, SORT_DEFAULT));
    SetThreadUILanguage(language);
    std::vector<BYTE> out(kDriverDevmodeSize, 0);
    DocumentPropertyHeader header{};
    header.cbSize = sizeof header;
    header.pszPrinterName = const_cast<wchar_t*>(queue.c_str());
    header.pdmIn = in ? reinterpret_cast<DEVMODEW*>(in->data()) : nullptr;
    header.pdmOut = reinterpret_cast<DEVMODEW*>(out.data());
    header.fMode = DM_OUT_BUFFER | (in ? DM_IN_BUFFER : 0);
    {
        CommonUiHost host(DocumentSheet(), reinterpret_cast<LPARAM>(&header));
        EXPECT_EQ(host.Init(), 1);
        run.opened = out;
        run.pages = host.pageTemplates();
        host.ShowSheet(queue, screenshot, check, 0);
        EXPECT_EQ(host.ApplyNow(), CPSUICB_ACTION_ITEMS_APPLIED);
        run.applied = out;
        EXPECT_EQ(host.Destroy(), 1);
    }
    SetThreadUILanguage(uiBefore);
    SetThreadLocale(localeBefore);
    return run;
}

std::vector<PaperRecord> StoredForms(const std::wstring& queue) {
    const StoredValue value = StoredPrinterValue(queue, L"FORMS");
    return value.found ? ParseFormList(value.bytes) : std::vector<PaperRecord>{};
}
std::wstring NameOf(const PaperRecord& paper) {
    std::wstring name;
    for (std::size_t i = 0; i < kPaperNameUnits && paper.name[i]; ++i) name.push_back(paper.name[i]);
    return name;
}
std::vector<std::wstring> StockNames(const std::wstring& queue) {
    std::vector<std::wstring> names;
    for (const PaperRecord& paper : StoredForms(queue)) names.push_back(NameOf(paper));
    return names;
}

// The preview control's pixels, painted anew.
struct Picture {
    int width = 0, height = 0;
    std::vector<COLORREF> pixels;
    COLORREF at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
Picture PreviewPicture(HWND dialog) {
    HWND preview = GetDlgItem(dialog, 1035);
    RedrawWindow(preview, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(preview, &client);
    Picture picture;
    picture.width = client.right;
    picture.height = client.bottom;
    HDC dc = GetDC(preview);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) picture.pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(preview, dc);
    return picture;
}

// ---- The page on every model ----

TEST(PageSetupPageTest, OpensOnEveryModelWithTheDevmodeAndThePrinterData) {
    for (const wchar_t* driver : kModelDrivers) {
        const std::wstring queue = QueueOf(driver);
        SCOPED_TRACE(std::string(queue.begin(), queue.end()));
        const std::vector<PaperRecord> forms = StoredForms(queue);
        ASSERT_FALSE(forms.empty());
        LRESULT stocks = 0, speeds = 0, darkness = 0, direction = -1;
        std::wstring selectedStock, unit, copies, darknessText;
        bool speedEnabled = false, applyEnabled = true;
        const PageRun run =
            RunPageSetup(queue, nullptr, L"driverui_page_setup_" + queue.substr(11) + L".bmp", [&](HWND page) {
                stocks = ComboCount(page, 1001);
                selectedStock = ComboText(page, 1001, ComboSelection(page, 1001));
                speeds = ComboCount(page, 1022);
                speedEnabled = Enabled(page, 1022);
                darkness = ComboCount(page, 1026);
                darknessText = ComboText(page, 1026, ComboSelection(page, 1026));
                direction = ComboSelection(page, 1113);
                unit = Text(page, 1106);
                copies = Text(page, 1023);
                applyEnabled = ApplyEnabled(page);
            });
        EXPECT_FALSE(applyEnabled) << "nothing changed yet";
        EXPECT_EQ(run.pages.front(), kPageSetupDialog) << "Page Setup comes first";
        EXPECT_EQ(stocks, static_cast<LRESULT>(forms.size()));
        const std::wstring formName(reinterpret_cast<const DEVMODEW*>(run.applied.data())->dmFormName);
        EXPECT_EQ(selectedStock.rfind(formName + L" (", 0), 0u)
            << "selected: " << std::string(selectedStock.begin(), selectedStock.end());
        EXPECT_EQ(unit, L"mm");
        EXPECT_EQ(copies, L"1");
        EXPECT_EQ(direction, Value<std::int16_t>(run.opened, 76) == DMORIENT_LANDSCAPE ? 1 : 0);
        // The shipped models offer 200 to 500 or 600 (1/100 in/s) in steps of 100 and 16 levels.
        EXPECT_TRUE(speedEnabled);
        EXPECT_EQ(speeds, std::wstring(driver) == L"Tavolen MX-310"   ? 4
                          : std::wstring(driver) == L"Tavolen MX-410" ? 5
                                                                      : 6);
        EXPECT_EQ(darkness, 17);
        EXPECT_EQ(darknessText, L"Use Current Printer Setting");
        // Opening and applying without a change leaves the DEVMODE as it was.
        EXPECT_EQ(ChangedBytes(run.opened, run.applied), std::vector<std::size_t>{});
    }
}

TEST(PageSetupPageTest, InchOffsetsShowAndStoreInInches) {
    const std::wstring queue = QueueOf(L"Tavolen MX-420");
    ASSERT_TRUE(SetPrinterDword(queue, L"MeasureUnit", 2));
    std::vector<BYTE> in = QueueDevmode(queue);
    Put<std::int32_t>(in, 232, 25400);
    std::wstring shown, unit;
    const PageRun run = RunPageSetup(queue, &in, L"driverui_page_setup_inch.bmp", [&](HWND page) {
        shown = Text(page, 1018);
        unit = Text(page, 1106);
        SetText(page, 1018, L"0.5");
    });
    DeletePrinterValue(queue, L"MeasureUnit");
    EXPECT_EQ(shown, L"1.00");
    EXPECT_EQ(unit, L"inch");
    EXPECT_EQ(Value<std::int32_t>(run.applied, 232), 12700);
    // Apply wrote the offset and nothing else.
    for (std::size_t offset : ChangedBytes(run.opened, run.applied))
        EXPECT_TRUE(offset >= 232 && offset < 236) << "offset " << offset;
}

TEST(PageSetupPageTest, CentimetreScaleWidthRoundTrips) {
    const std::wstring queue = QueueOf(L"Tavolen MX-430");
    ASSERT_TRUE(SetPrinterDword(queue, L"MeasureUnit", 1));
    std::vector<BYTE> in = QueueDevmode(queue);
    Put<std::uint32_t>(in, 2960, 50000);
    Put<std::uint16_t>(in, 2956, 2);
    std::wstring shown;
    bool widthEnabled = false;
    const PageRun kept = RunPageSetup(queue, &in, L"driverui_page_setup_cm.bmp", [&](HWND page) {
        shown = Text(page, 1101);
        widthEnabled = Enabled(page, 1101);
    });
    EXPECT_EQ(shown, L"5.00");
    EXPECT_TRUE(widthEnabled);
    EXPECT_EQ(Value<std::uint32_t>(kept.applied, 2960), 50000u);

    // Typed 7.5 cm, then the scale mode "None": the width edit is disabled and both are stored.
    const PageRun changed = RunPageSetup(queue, &in, L"driverui_page_setup_cm_changed.bmp", [&](HWND page) {
        SetText(page, 1101, L"7.5");
        Choose(page, 1102, 0);
        widthEnabled = Enabled(page, 1101);
    });
    DeletePrinterValue(queue, L"MeasureUnit");
    EXPECT_FALSE(widthEnabled);
    EXPECT_EQ(Value<std::uint32_t>(changed.applied, 2960), 75000u);
    EXPECT_EQ(Value<std::uint16_t>(changed.applied, 2956), 0);
}

TEST(PageSetupPageTest, ControlsWriteTheirFieldsOnly) {
    const std::wstring queue = QueueOf(L"Tavolen MX-410");
    std::vector<BYTE> in = QueueDevmode(queue);
    Put<std::uint32_t>(in, 316, 9);  // darkness 9: the item that shows "8"
    std::wstring darknessText, spinText, clampedCopies;
    std::vector<bool> applyEnabled;
    const PageRun run = RunPageSetup(queue, &in, L"driverui_page_setup_controls.bmp", [&](HWND page) {
        darknessText = ComboText(page, 1026, ComboSelection(page, 1026));
        Choose(page, 1113, 2);  // 180-Portrait
        applyEnabled.push_back(ApplyEnabled(page));
        Choose(page, 1113, 0);  // back: nothing changed
        applyEnabled.push_back(ApplyEnabled(page));
        Choose(page, 1113, 2);
        Choose(page, 1001, 2);  // the stock "76 mm x 130 mm"
        Click(page, 1034);      // mirror
        Click(page, 1130);      // ignore blank pages
        Choose(page, 1022, 2);  // 300 (1/100 in/s)
        // One arrow step on the vertical offset: a tenth of a millimetre.
        NMUPDOWN arrow{};
        arrow.hdr.hwndFrom = GetDlgItem(page, 1021);
        arrow.hdr.idFrom = 1021;
        arrow.hdr.code = UDN_DELTAPOS;
        arrow.iDelta = 1;
        SendMessageW(page, WM_NOTIFY, 1021, reinterpret_cast<LPARAM>(&arrow));
        spinText = Text(page, 1020);
        // Copies out of range are held in it when the edit is left.
        SetText(page, 1023, L"40000");
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(1023, EN_KILLFOCUS),
                     reinterpret_cast<LPARAM>(GetDlgItem(page, 1023)));
        clampedCopies = Text(page, 1023);
        SetText(page, 1023, L"3");
    });
    EXPECT_EQ(darknessText, L"8");
    EXPECT_EQ(applyEnabled, (std::vector<bool>{true, false}));
    EXPECT_EQ(spinText, L"0.1");
    EXPECT_EQ(clampedCopies, L"32767");
    EXPECT_EQ(Value<std::uint32_t>(run.applied, 316), 9u);
    EXPECT_EQ(Value<std::int16_t>(run.applied, 76), DMORIENT_PORTRAIT);
    EXPECT_EQ(Value<std::uint32_t>(run.applied, 228) & 0x81u, 0x81u);
    EXPECT_EQ(Value<std::uint32_t>(run.applied, 5176), 1u);
    EXPECT_EQ(Value<std::uint32_t>(run.applied, 312), 300u);
    EXPECT_EQ(Value<std::int32_t>(run.applied, 236), 100);
    EXPECT_EQ(Value<std::int16_t>(run.applied, 86), 3);
    // The chosen stock is the job's paper and the printer's installed form.
    const auto* applied = reinterpret_cast<const DEVMODEW*>(run.applied.data());
    EXPECT_STREQ(applied->dmFormName, L"76 mm x 130 mm");
    EXPECT_EQ(applied->dmPaperSize, 258);
    EXPECT_EQ(applied->dmPaperWidth, 760);
    const StoredValue installed = StoredPrinterValue(queue, L"InstalledForm");
    ASSERT_EQ(installed.bytes.size(), sizeof(CurrentFormRecord));
    EXPECT_EQ(reinterpret_cast<const CurrentFormRecord*>(installed.bytes.data())->width, 76000);
    DeletePrinterValue(queue, L"InstalledForm");
    const std::set<std::size_t> allowed = {86, 228, 236, 312, 313, 5176};
    for (std::size_t offset : ChangedBytes(run.opened, run.applied))
        EXPECT_TRUE(allowed.count(offset)) << "offset " << offset;
}

// A driver whose model is not in the database: its speed and darkness come from the data file.
bool InstallPlainDriver(const std::wstring& name, std::uint16_t maxDarkness) {
    if (!StagePackageDriverFiles()) return false;
    std::string bytes = ReadFileBytes(DriverDirectory() + L"\\kelnodrv6.dat");
    if (bytes.size() < sizeof(DataFileHeader)) return false;
    DataFileHeader header;
    std::memcpy(&header, bytes.data(), sizeof header);
    header.modelFields.speedStep = 0;
    header.modelFields.minSpeed = 200;
    header.modelFields.maxSpeed = 400;
    header.modelFields.maxDarkness = maxDarkness;
    std::memcpy(bytes.data(), &header, sizeof header);
    return WriteFileBytes(DriverDirectory() + L"\\plain.dat", bytes) &&
           AddDriver(name, L"kelnodrv6ui.dll", L"kelnodrv6.dll", L"plain.dat");
}

TEST(PageSetupPageTest, SpeedStepZeroLeavesOneDisabledEntry) {
    const std::wstring queue = L"Page setup plain";
    ASSERT_TRUE(InstallPlainDriver(L"Tavolen Plain", 4));
    ASSERT_TRUE(AddQueue(queue, L"Tavolen Plain"));
    LRESULT speeds = 0, darkness = 0;
    bool speedEnabled = true;
    std::wstring firstSpeed;
    RunPageSetup(queue, nullptr, L"driverui_page_setup_plain.bmp", [&](HWND page) {
        speeds = ComboCount(page, 1022);
        speedEnabled = Enabled(page, 1022);
        firstSpeed = ComboText(page, 1022, 0);
        darkness = ComboCount(page, 1026);
    });
    EXPECT_EQ(speeds, 1);
    EXPECT_FALSE(speedEnabled);
    EXPECT_EQ(firstSpeed, L"Use Current Printer Setting");
    EXPECT_EQ(darkness, 5);
}

TEST(PageSetupPageTest, LockedSettingsDisableTheStockControls) {
    const std::wstring queue = QueueOf(L"Tavolen MX-430");
    ASSERT_TRUE(SetPrinterDword(queue, L"PPDataFlags", 16));
    std::vector<bool> enabled;
    RunPageSetup(queue, nullptr, L"driverui_page_setup_locked.bmp", [&](HWND page) {
        for (int id : {1001, 1004, 1009, 1011, 1034}) enabled.push_back(Enabled(page, id));
    });
    DeletePrinterValue(queue, L"PPDataFlags");
    EXPECT_EQ(enabled, (std::vector<bool>{false, false, false, false, true}));
}

TEST(PageSetupPageTest, PreviewShowsTheLabelWhereTheGeometrySays) {
    const std::wstring queue = QueueOf(L"Tavolen MX-420");  // 108 mm, centred
    std::vector<BYTE> in = QueueDevmode(queue);
    auto* dm = reinterpret_cast<DEVMODEW*>(in.data());
    dm->dmFields = DM_PAPERSIZE;
    dm->dmPaperSize = 257;  // "101.6 mm x 152.4 mm"
    Picture plain, negative;
    RunPageSetup(queue, &in, L"driverui_page_setup_preview.bmp", [&](HWND page) {
        plain = PreviewPicture(page);
        Click(page, 1010);  // negative
        negative = PreviewPicture(page);
    });
    const PaperRecord stock = StoredForms(queue)[1];
    const PreviewLayout layout = LayOutPreview(stock, 108000, 0);
    ASSERT_FALSE(layout.labels.empty());
    const PreviewRect& label = layout.labels[0].rect;
    EXPECT_NEAR(label.x, 30.27f, 0.01f);
    ASSERT_GT(plain.width, static_cast<int>(label.x) + 20);
    ASSERT_GT(plain.height, static_cast<int>(label.y + label.height));
    // Inside the first label, clear of "123": white, and black when negative.
    const int x = static_cast<int>(label.x) + 8;
    const int y = static_cast<int>(label.y) + 60;  // below the paper slot
    EXPECT_EQ(plain.at(x, y), RGB(255, 255, 255));
    EXPECT_EQ(negative.at(x, y), RGB(0, 0, 0));
    // Left of the stock: the frame's background; above it the printer.
    EXPECT_EQ(plain.at(static_cast<int>(label.x) - 3, y), RGB(0xF0, 0xF0, 0xF0));
    EXPECT_EQ(plain.at(3, 10), RGB(0xC8, 0xC8, 0xC8));
}

// ---- The Edit Label Stock dialog ----

// Finds the stock editor of this thread.
std::function<HWND()> StockEditor() {
    const DWORD thread = GetCurrentThreadId();
    return [thread] { return FindThreadDialog(thread, nullptr, L"Edit Label Stock"); };
}

TEST(LabelStockDialogTest, NewStockIsAppendedAndARenamedStockLeavesOnlyItsNewName) {
    const std::wstring queue = QueueOf(L"Tavolen MX-430");
    InitialiseQueue(queue);
    std::wstring selected, shownWidth, gap, offsetEnabled;
    bool gapEnabled = true;
    RunPageSetup(queue, nullptr, L"driverui_page_setup_new.bmp", [&](HWND page) {
        {
            ModalDriver driver(StockEditor(), [&](HWND dialog) {
                SaveScreenshot(dialog, JoinPath(ArtifactFolder(), L"driverui_label_stock_en.bmp"));
                SetText(dialog, 1037, L"Fifty");
                SetText(dialog, 1020, L"50");
                SetText(dialog, 1022, L"30");
                SetText(dialog, 1021, L"1");
                SetText(dialog, 1023, L"1");
                PressButton(dialog, IDOK);
            });
            Click(page, 1004);
            EXPECT_TRUE(driver.acted());
        }
        selected = ComboText(page, 1001, ComboSelection(page, 1001));
        // Edit it again: renamed to "Sixty", continuous paper.
        ModalDriver driver(StockEditor(), [&](HWND dialog) {
            shownWidth = Text(dialog, 1020);
            SetText(dialog, 1037, L"Sixty");
            Choose(dialog, 1038, 2);
            gap = Text(dialog, 1024);
            gapEnabled = Enabled(dialog, 1024);
            PressButton(dialog, IDOK);
        });
        Click(page, 1009);
        EXPECT_TRUE(driver.acted());
    });
    EXPECT_EQ(selected, L"Fifty (50.0 mm x 30.0 mm)");
    EXPECT_EQ(shownWidth, L"50.0");
    EXPECT_EQ(gap, L"0");
    EXPECT_FALSE(gapEnabled);
    const std::vector<PaperRecord> forms = StoredForms(queue);
    const std::vector<std::wstring> names = StockNames(queue);
    EXPECT_EQ(std::count(names.begin(), names.end(), L"Fifty"), 0);
    ASSERT_EQ(std::count(names.begin(), names.end(), L"Sixty"), 1);
    const PaperRecord& sixty = forms[std::find(names.begin(), names.end(), L"Sixty") - names.begin()];
    EXPECT_EQ(sixty.width, 52000) << "50 mm between 1 mm liners";
    EXPECT_EQ(sixty.height, 30000);
    EXPECT_EQ(sixty.marginLeft, 1000);
    EXPECT_EQ(sixty.flags, 0x80000004u);
    EXPECT_EQ(sixty.gap, 0);
    InitialiseQueue(queue);
}

TEST(LabelStockDialogTest, SavingIntoAPrinterWithoutAListFailsAndSaysSo) {
    const std::wstring queue = QueueOf(L"Tavolen MX-310");
    std::wstring message, selected;
    RunPageSetup(queue, nullptr, L"driverui_page_setup_nolist.bmp", [&](HWND page) {
        DeletePrinterValue(queue, L"FORMS");
        ModalDriver driver(StockEditor(), [&](HWND dialog) {
            const DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
            ModalDriver box([thread, dialog] { return FindThreadDialog(thread, dialog, L""); },
                            [&](HWND messageBox) {
                                message = MessageBoxText(messageBox);
                                PressButton(messageBox, IDOK);
                            });
            PressButton(dialog, IDOK);
            PressButton(dialog, IDCANCEL);  // the dialog stayed open
        });
        Click(page, 1004);
        EXPECT_TRUE(driver.acted());
    });
    EXPECT_EQ(message,
              L"Failed to save paper information.\n\nThe printer's list of label stocks has not been changed.");
    EXPECT_FALSE(StoredPrinterValue(queue, L"FORMS").found);
    InitialiseQueue(queue);
}

TEST(LabelStockDialogTest, DeleteAsksAndRemovesTheStock) {
    const std::wstring queue = QueueOf(L"Tavolen MX-420");
    InitialiseQueue(queue);
    std::wstring question, selected;
    bool deleteForUser = true;
    RunPageSetup(queue, nullptr, L"driverui_page_setup_delete.bmp", [&](HWND page) {
        Choose(page, 1001, 0);  // "USER" cannot be deleted
        deleteForUser = Enabled(page, 1011);
        Choose(page, 1001, 2);  // "76 mm x 130 mm"
        const DWORD thread = GetCurrentThreadId();
        ModalDriver box([thread] { return FindThreadDialog(thread, nullptr, L"Question"); },
                        [&](HWND messageBox) {
                            question = MessageBoxText(messageBox);
                            PressButton(messageBox, IDYES);
                        });
        Click(page, 1011);
        EXPECT_TRUE(box.acted());
        selected = ComboText(page, 1001, ComboSelection(page, 1001));
    });
    EXPECT_FALSE(deleteForUser);
    EXPECT_EQ(question, L"Remove the paper \"76 mm x 130 mm\", yes or no?");
    const std::vector<std::wstring> names = StockNames(queue);
    EXPECT_EQ(std::count(names.begin(), names.end(), L"76 mm x 130 mm"), 0);
    EXPECT_EQ(names.size(), 5u);
    EXPECT_EQ(selected.rfind(L"USER (", 0), 0u);
    InitialiseQueue(queue);
}

// ---- Languages ----

TEST(PageSetupLanguagesTest, PageAndDialogInArabic) {
    const std::wstring queue = QueueOf(L"Tavolen MX-420");
    bool opened = false;
    std::wstring caption, pageCaption;
    RunPageSetup(
        queue, nullptr, L"driverui_page_setup_ar.bmp",
        [&](HWND page) {
            pageCaption = WindowText(page);
            const DWORD thread = GetCurrentThreadId();
            HWND sheet = GetAncestor(page, GA_ROOT);
            ModalDriver driver([thread, sheet] { return FindThreadDialog(thread, sheet, L""); },
                               [&](HWND dialog) {
                                   caption = WindowText(dialog);
                                   SaveScreenshot(dialog, JoinPath(ArtifactFolder(), L"driverui_label_stock_ar.bmp"));
                                   PressButton(dialog, IDCANCEL);
                               });
            Click(page, 1004);
            opened = driver.acted();
        },
        kArabic);
    EXPECT_TRUE(opened);
    EXPECT_EQ(caption,
              L"\u062A\u062D\u0631\u064A\u0631 \u0648\u0631\u0642 \u0627\u0644\u0645\u0644\u0635\u0642\u0627\u062A");
    EXPECT_EQ(pageCaption, L"\u0625\u0639\u062F\u0627\u062F \u0627\u0644\u0635\u0641\u062D\u0629");
}

// Wine looks the thread's language up exactly (German of Germany) and never falls back to the
// neutral German the DLL carries, as Windows does: the German page and dialog are shown from
// their templates, as popups of a plain procedure, for their screenshots.
INT_PTR CALLBACK TemplateProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

TEST(PageSetupLanguagesTest, GermanTemplatesAsShown) {
    for (const auto& [id, name] :
         {std::pair{106, L"driverui_page_setup_de.bmp"}, std::pair{110, L"driverui_label_stock_de.bmp"}}) {
        std::optional<std::vector<BYTE>> bytes =
            ResourceBytes(g_driverUi, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(id), kGerman);
        ASSERT_TRUE(bytes && bytes->size() > 16);
        DWORD style = 0;
        std::memcpy(&style, bytes->data() + 12, sizeof style);  // DLGTEMPLATEEX: after version, helpID, exStyle
        style = (style & ~WS_CHILD) | WS_POPUP | WS_VISIBLE;
        std::memcpy(bytes->data() + 12, &style, sizeof style);
        HWND dialog = CreateDialogIndirectParamW(g_driverUi, reinterpret_cast<const DLGTEMPLATE*>(bytes->data()),
                                                 nullptr, TemplateProc, 0);
        ASSERT_NE(dialog, nullptr) << id;
        Pump(300);
        EXPECT_TRUE(SaveScreenshot(dialog, JoinPath(ArtifactFolder(), name)));
        EXPECT_EQ(WindowText(dialog), id == 106 ? L"Seite einrichten" : L"Etikettenmaterial bearbeiten");
        DestroyWindow(dialog);
    }
}

TEST(PageSetupLanguagesTest, EveryLanguageHasBothDialogsAndTheirStrings) {
    const LANGID languages[] = {MAKELANGID(LANG_CHINESE, SUBLANG_NEUTRAL),
                                kGerman,
                                kEnglish,
                                MAKELANGID(LANG_SPANISH, SUBLANG_NEUTRAL),
                                MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL),
                                MAKELANGID(LANG_ITALIAN, SUBLANG_NEUTRAL),
                                MAKELANGID(LANG_KOREAN, SUBLANG_NEUTRAL),
                                MAKELANGID(LANG_DUTCH, SUBLANG_NEUTRAL),
                                MAKELANGID(LANG_RUSSIAN, SUBLANG_NEUTRAL),
                                kArabic,
                                MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL)};
    const UINT strings[] = {1901, 1941, 1942, 1943, 1944, 1947, 1948, 1949, 1950, 1951, 1952, 1953, 1954,
                            2203, 2204, 2205, 2206, 2207, 2208, 2209, 2210, 2211, 1905, 1906, 2242};
    const std::vector<DWORD> pageControls = {1001, 1004, 1009, 1011, 1034, 1010, 1113, 1018, 1019, 1020, 1021, 1106,
                                             1107, 1108, 1023, 1024, 1022, 1026, 1102, 1101, 1025, 1130, 1035};
    const std::vector<DWORD> editorControls = {1037, 1020, 1039, 1022, 1040, 1038, 1021, 1043, 1023,
                                               1044, 1024, 1045, 1025, 1046, 1035, 1106, 1111};
    std::set<std::wstring> pageCaptions;
    for (LANGID language : languages) {
        SCOPED_TRACE(language);
        for (const auto& [id, controls] : {std::pair{106, pageControls}, std::pair{110, editorControls}}) {
            const std::optional<std::vector<BYTE>> bytes =
                ResourceBytes(g_driverUi, MAKEINTRESOURCEW(5), MAKEINTRESOURCEW(id), language);
            ASSERT_TRUE(bytes) << "dialog " << id;
            const std::optional<DialogTemplate> dialog = ParseDialog(*bytes);
            ASSERT_TRUE(dialog) << "dialog " << id;
            for (DWORD control : controls)
                EXPECT_NE(std::find(dialog->ids.begin(), dialog->ids.end(), control), dialog->ids.end())
                    << "dialog " << id << " control " << control;
            const std::vector<wchar_t> keys = AccessKeys(*dialog);
            EXPECT_EQ(std::set<wchar_t>(keys.begin(), keys.end()).size(), keys.size()) << "dialog " << id;
            if (id == 106) pageCaptions.insert(dialog->caption);
        }
        for (UINT id : strings) EXPECT_TRUE(StringResource(g_driverUi, id, language)) << "string " << id;
        // The removal question carries the stock's name.
        const std::optional<std::wstring> question = StringResource(g_driverUi, 2203, language);
        EXPECT_NE(question.value_or(L"").find(L"%ws"), std::wstring::npos);
    }
    EXPECT_EQ(pageCaptions.size(), std::size(languages)) << "every language has its own caption";
}

}  // namespace
}  // namespace kelno::test
