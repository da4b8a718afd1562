// The Print Settings page of the printing preferences on queues of each model, on the private
// Xvfb display, through the test host that plays the common property-sheet UI
// (tests/support/common_ui_host.h): the page shows the DEVMODE, its lists follow the model,
// its controls change exactly the fields they stand for, user commands take control bytes and
// file references without ever passing their bound, and the texts exist in every language.
// Screenshots of the page in English, German and Arabic are kept as artifacts.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "driverui/core/datafile_header.h"
#include "tests/support/document_sheet.h"
#include "tests/support/open_file_dialog.h"
#include "tests/support/popup_menu.h"
#include "tests/support/resources.h"
#include "tests/wine/driverui_test_support.h"

namespace kelno::test {
namespace {

constexpr WORD kPrintSettings = 113;
constexpr WORD kAbout = 101;
const std::wstring kQueue = L"Print settings MX-420";
// A driver whose data file gives the model both compression methods and ESC/POS beside TSPL.
const std::wstring kZipDriver = L"Tavolen ZipTest";
const std::wstring kZipQueue = L"Print settings zip";
HMODULE g_driverUi = nullptr;

// Controls of the page.
enum : int {
    kPostAction = 1022,
    kPaperSaving = 1023,
    kPaperSize = 1024,
    kFeedOffset = 1025,
    kFeedSpin = 1026,
    kOccurrence = 1027,
    kInterval = 1028,
    kIntervalSpin = 1029,
    kPaperType = 1030,
    kZipMethod = 1031,
    kFeedUnit = 1032,
    kCommandNote = 1033,
    kSlot = 1044,
    kCommand = 1045,
    kFunctionCharacter = 1046,
    kInsert = 1047,
    kLanguage = 1052,
    kPrintMode = 1070,
};

// DEVMODE offsets of the page's fields.
enum : std::size_t {
    kEffectFlags = 228,
    kPostActionAt = 240,
    kOccurrenceAt = 248,
    kIntervalAt = 252,
    kPostFeedAt = 256,
    kPrintModeAt = 296,
    kPaperSavingAt = 320,
    kSendPaperSizeAt = 324,
    kSendPaperTypeAt = 325,
    kCommandsAt = 326,
    kLanguageAt = 2424,
    kCompressionAt = 3040,
};
constexpr std::size_t kSlotBytes = 524;

bool InstallZipDriver() {
    if (!StagePackageDriverFiles()) return false;
    std::string bytes = ReadFileBytes(DriverDirectory() + L"\\kelnodrv6.dat");
    if (bytes.size() < sizeof(DataFileHeader)) return false;
    DataFileHeader header;
    std::memcpy(&header, bytes.data(), sizeof header);
    header.modelFields.compressionMask = 3;
    header.modelFields.languageMask = 1 | 2;
    header.modelFields.accessories = 1 | 2;
    std::memcpy(bytes.data(), &header, sizeof header);
    return WriteFileBytes(DriverDirectory() + L"\\ziptest.dat", bytes) &&
           AddDriver(kZipDriver, L"kelnodrv6ui.dll", L"kelnodrv6.dll", L"ziptest.dat");
}

class PrintSettingsEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        ASSERT_TRUE(InstallPackageDrivers()) << GetLastError();
        for (const wchar_t* driver : kModelDrivers) {
            const std::wstring model(driver);
            ASSERT_TRUE(AddQueue(L"Print settings " + model.substr(model.find(L' ') + 1), model));
        }
        ASSERT_TRUE(InstallZipDriver());
        ASSERT_TRUE(AddQueue(kZipQueue, kZipDriver));
        g_driverUi = LoadInstalledDriverUi();
        ASSERT_NE(g_driverUi, nullptr);
    }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new PrintSettingsEnvironment);

SheetEntry DocumentSheet() { return ExportOf<SheetEntry>(g_driverUi, "DrvDocumentPropertySheets"); }

// Runs the page; a run without a screenshot name of its own keeps one numbered in order.
DocumentSheetRun RunPage(const std::wstring& queue, const std::vector<BYTE>& in, const std::wstring& screenshot,
                         const std::function<void(HWND)>& check) {
    static int runs = 0;
    const std::wstring name =
        screenshot.empty() ? L"driverui_print_settings_run" + std::to_wstring(++runs) + L".bmp" : screenshot;
    return RunDocumentSheetPage(DocumentSheet(), queue, kPrintSettings, in, name, check);
}

std::wstring Text(HWND page, int id) {
    wchar_t text[600] = L"";
    GetDlgItemTextW(page, id, text, static_cast<int>(std::size(text)));
    return text;
}

std::vector<std::wstring> Entries(HWND page, int id) {
    std::vector<std::wstring> entries;
    const LRESULT count = SendDlgItemMessageW(page, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[128] = L"";
        SendDlgItemMessageW(page, id, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        entries.emplace_back(text);
    }
    return entries;
}

std::wstring Selected(HWND page, int id) {
    const LRESULT item = SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0);
    if (item < 0) return L"(none)";
    wchar_t text[128] = L"";
    SendDlgItemMessageW(page, id, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text));
    return text;
}

bool Enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }

// The user picks an entry.
void Choose(HWND page, int id, int item) {
    SendDlgItemMessageW(page, id, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}
void ChooseText(HWND page, int id, const std::wstring& text) {
    const std::vector<std::wstring> entries = Entries(page, id);
    const auto found = std::find(entries.begin(), entries.end(), text);
    ASSERT_NE(found, entries.end()) << "no entry " << std::string(text.begin(), text.end());
    Choose(page, id, static_cast<int>(found - entries.begin()));
}
// The user types (the edit notifies the page itself) and, when asked, leaves the box.
void Type(HWND page, int id, const std::wstring& text, bool leave = false) {
    SetDlgItemTextW(page, id, text.c_str());
    if (leave)
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
}
void Arrow(HWND page, int spin, int delta) {
    NMUPDOWN arrow{};
    arrow.hdr.hwndFrom = GetDlgItem(page, spin);
    arrow.hdr.idFrom = static_cast<UINT_PTR>(spin);
    arrow.hdr.code = UDN_DELTAPOS;
    arrow.iDelta = delta;
    SendMessageW(page, WM_NOTIFY, static_cast<WPARAM>(spin), reinterpret_cast<LPARAM>(&arrow));
}
// A command of the Insert menu, as the menu sends it.
void MenuCommand(HWND page, int command) { SendMessageW(page, WM_COMMAND, MAKEWPARAM(command, 0), 0); }

std::wstring SlotText(const std::vector<BYTE>& devmode, std::size_t slot) {
    const auto* units = reinterpret_cast<const wchar_t*>(devmode.data() + kCommandsAt + slot * kSlotBytes);
    return std::wstring(units, wcsnlen(units, 262));
}

// The byte ranges [first, last] the page may write on Apply.
struct Range {
    std::size_t first, last;
};
const Range kPageFields[] = {{kEffectFlags, kEffectFlags + 3},
                             {kPostActionAt, kPostActionAt + 3},
                             {kOccurrenceAt, kPostFeedAt + 3},
                             {kPrintModeAt, kPrintModeAt + 3},
                             {kPaperSavingAt, kCommandsAt + 4 * kSlotBytes - 1},
                             {kLanguageAt, kLanguageAt + 3},
                             {kCompressionAt, kCompressionAt + 3}};
void ExpectOnlyPageFieldsChanged(const DocumentSheetRun& run) {
    for (std::size_t offset : ChangedPrivateBytes(run.opened, run.applied)) {
        const bool inside = std::any_of(std::begin(kPageFields), std::end(kPageFields),
                                        [&](const Range& r) { return offset >= r.first && offset <= r.last; });
        EXPECT_TRUE(inside) << "byte " << offset << " changed";
    }
}

// A DEVMODE for the queue with the page's settings set.
std::vector<BYTE> JobWith(const std::wstring& queue, const std::function<void(std::vector<BYTE>&)>& set) {
    std::vector<BYTE> devmode = QueueDevmode(queue);
    EXPECT_EQ(devmode.size(), 5196u);
    if (!devmode.empty()) set(devmode);
    return devmode;
}

void SetSlot(std::vector<BYTE>& devmode, std::size_t slot, const std::wstring& text) {
    auto* units = reinterpret_cast<wchar_t*>(devmode.data() + kCommandsAt + slot * kSlotBytes);
    std::fill(units, units + 262, L'\0');
    std::copy(text.begin(), text.end(), units);
}

TEST(PrintSettingsPageTest, OpensOnEveryModelWithTheJobsSettings) {
    const struct {
        const wchar_t* queue;
        std::vector<std::wstring> languages;
        std::size_t printModes;
    } models[] = {
        {L"Print settings MX-410", {L"TSPL", L"ZPL"}, 3},  // thermal transfer
        {L"Print settings MX-310", {L"ESC/POS", L"TSPL", L"ZPL"}, 2},
        {L"Print settings MX-420", {L"TSPL", L"ZPL"}, 2},
        {L"Print settings MX-430", {L"TSPL", L"ZPL"}, 2},
    };
    for (const auto& model : models) {
        const std::wstring queue(model.queue);
        SCOPED_TRACE(std::string(queue.begin(), queue.end()));
        const std::vector<BYTE> job = JobWith(queue, [](std::vector<BYTE>& dm) {
            SetDevmodeValue<std::uint32_t>(dm, kPrintModeAt, 1);
            SetDevmodeValue<std::uint32_t>(dm, kLanguageAt, 3);
            SetDevmodeValue<std::uint32_t>(dm, kPostActionAt, 3);
            SetDevmodeValue<std::uint32_t>(dm, kOccurrenceAt, 2);
            SetDevmodeValue<std::uint32_t>(dm, kIntervalAt, 12);
            SetDevmodeValue<std::int32_t>(dm, kPostFeedAt, -1500);
            SetDevmodeValue<std::uint32_t>(dm, kPaperSavingAt, 2);
            SetDevmodeValue<std::uint8_t>(dm, kSendPaperSizeAt, 1);
            SetDevmodeValue<std::uint8_t>(dm, kSendPaperTypeAt, 0);
            SetSlot(dm, 0, L"^<STX>L");
            SetSlot(dm, 3, L"E");
        });
        std::vector<std::wstring> languages, slots;
        std::size_t printModes = 0;
        std::wstring mode, language, post, occurrence, interval, feed, unit, saving, size, type, zip, slot0, slot3;
        bool occurrenceEnabled = false, intervalEnabled = false, insertEnabled = false;
        const DocumentSheetRun run = RunPage(queue, job, L"", [&](HWND page) {
            languages = Entries(page, kLanguage);
            printModes = Entries(page, kPrintMode).size();
            slots = Entries(page, kSlot);
            mode = Selected(page, kPrintMode);
            language = Selected(page, kLanguage);
            post = Selected(page, kPostAction);
            occurrence = Selected(page, kOccurrence);
            interval = Text(page, kInterval);
            feed = Text(page, kFeedOffset);
            unit = Text(page, kFeedUnit);
            saving = Selected(page, kPaperSaving);
            size = Selected(page, kPaperSize);
            type = Selected(page, kPaperType);
            zip = Selected(page, kZipMethod);
            slot0 = Text(page, kCommand);
            occurrenceEnabled = Enabled(page, kOccurrence);
            intervalEnabled = Enabled(page, kInterval);
            insertEnabled = Enabled(page, kInsert);
            Choose(page, kSlot, 3);
            slot3 = Text(page, kCommand);
        });
        EXPECT_EQ(run.caption, L"Print Settings");
        // The page stands right before About.
        ASSERT_GE(run.pages.size(), 2u);
        EXPECT_EQ(run.pages[run.pages.size() - 2], kPrintSettings);
        EXPECT_EQ(run.pages.back(), kAbout);

        EXPECT_EQ(languages, model.languages);
        EXPECT_EQ(printModes, model.printModes);
        EXPECT_EQ(slots, (std::vector<std::wstring>{L"Before job", L"Before pages", L"After pages", L"After job"}));
        EXPECT_EQ(mode, L"Thermal");
        EXPECT_EQ(language, L"ZPL");
        EXPECT_EQ(post, L"Cut Off");
        EXPECT_EQ(occurrence, L"After Specified Interval");
        EXPECT_TRUE(occurrenceEnabled);
        EXPECT_TRUE(intervalEnabled);
        EXPECT_EQ(interval, L"12");
        EXPECT_EQ(feed, L"-1.5");
        EXPECT_EQ(unit, L"mm");
        EXPECT_EQ(saving, L"Bottom");
        EXPECT_EQ(size, L"Use Current Printer Setting");
        EXPECT_EQ(type, L"Use driver settings");
        EXPECT_EQ(zip, L"Do not compress");
        EXPECT_TRUE(insertEnabled) << "\"^\" is chosen";
        EXPECT_EQ(slot0, L"^<STX>L");
        EXPECT_EQ(slot3, L"E");
        // Opened, looked at and applied: no private byte changes.
        EXPECT_EQ(ChangedPrivateBytes(run.opened, run.applied), std::vector<std::size_t>{});
    }
}

TEST(PrintSettingsPageTest, ControlsWriteTheirFieldsAndNothingElse) {
    std::wstring intervalShown, intervalAfterJob;
    bool intervalEnabledForInterval = false, intervalEnabledAfterJob = true, occurrenceEnabledForTearOff = true;
    std::wstring command;
    const std::vector<BYTE> job = JobWith(kQueue, [](std::vector<BYTE>& dm) {
        SetDevmodeValue<std::uint32_t>(dm, kLanguageAt, 0);  // QVL, which the MX-420 lacks
        SetDevmodeValue<std::uint32_t>(dm, kIntervalAt, 40);
        SetDevmodeValue<std::uint32_t>(dm, kEffectFlags, 0xA0);  // "180-Portrait"
    });
    std::wstring languageShown;
    const DocumentSheetRun run = RunPage(kQueue, job, L"driverui_print_settings_en.bmp", [&](HWND page) {
        languageShown = Selected(page, kLanguage);
        ChooseText(page, kPostAction, L"Tear Off");
        occurrenceEnabledForTearOff = Enabled(page, kOccurrence);
        ChooseText(page, kPostAction, L"Cut Off");
        ChooseText(page, kOccurrence, L"After Specified Interval");
        intervalEnabledForInterval = Enabled(page, kInterval);
        intervalShown = Text(page, kInterval);
        ChooseText(page, kOccurrence, L"After Job");
        intervalEnabledAfterJob = Enabled(page, kInterval);
        intervalAfterJob = Text(page, kInterval);
        ChooseText(page, kPrintMode, L"Thermal");
        ChooseText(page, kPaperSaving, L"Both");
        ChooseText(page, kPaperType, L"Use Current Printer Setting");
        Type(page, kFeedOffset, L"2.5", true);
        Arrow(page, kFeedSpin, 1);
        // "~" then <ESC> at the caret of the second slot.
        Choose(page, kSlot, 1);
        Type(page, kCommand, L"AB");
        ChooseText(page, kFunctionCharacter, L"~");
        SendDlgItemMessageW(page, kCommand, EM_SETSEL, 1, 1);
        MenuCommand(page, 4927);
        command = Text(page, kCommand);
    });
    EXPECT_EQ(languageShown, L"TSPL") << "a language the model lacks shows the first entry";
    EXPECT_FALSE(occurrenceEnabledForTearOff);
    EXPECT_TRUE(intervalEnabledForInterval);
    EXPECT_EQ(intervalShown, L"40");
    EXPECT_FALSE(intervalEnabledAfterJob);
    EXPECT_EQ(intervalAfterJob, L"1");
    EXPECT_EQ(command, L"A~<ESC>B");

    const std::vector<BYTE>& a = run.applied;
    EXPECT_EQ(DevmodeValue<std::uint32_t>(a, kPostActionAt), 3u);
    EXPECT_EQ(DevmodeValue<std::uint32_t>(a, kOccurrenceAt), 1u);
    EXPECT_EQ(DevmodeValue<std::uint32_t>(a, kIntervalAt), 1u);
    EXPECT_EQ(DevmodeValue<std::uint32_t>(a, kPrintModeAt), 1u);
    EXPECT_EQ(DevmodeValue<std::uint32_t>(a, kPaperSavingAt), 3u);
    EXPECT_EQ(DevmodeValue<std::uint8_t>(a, kSendPaperTypeAt), 1u);
    EXPECT_EQ(DevmodeValue<std::int32_t>(a, kPostFeedAt), 2600) << "2.5 mm and one arrow step";
    EXPECT_EQ(DevmodeValue<std::uint32_t>(a, kLanguageAt), 2u);
    EXPECT_EQ(SlotText(a, 1), L"A~<ESC>B");
    EXPECT_EQ(DevmodeValue<std::uint32_t>(a, kEffectFlags) & 0x80u, 0x80u) << "the 180 direction stays";
    ExpectOnlyPageFieldsChanged(run);
}

TEST(PrintSettingsPageTest, InchFeedOffsets) {
    ASSERT_TRUE(SetPrinterDword(kQueue, L"MeasureUnit", 2));
    const std::vector<BYTE> job =
        JobWith(kQueue, [](std::vector<BYTE>& dm) { SetDevmodeValue<std::int32_t>(dm, kPostFeedAt, 25400); });
    std::wstring shown, unit, clamped, stepped;
    const DocumentSheetRun run = RunPage(kQueue, job, L"", [&](HWND page) {
        shown = Text(page, kFeedOffset);
        unit = Text(page, kFeedUnit);
        Type(page, kFeedOffset, L"99", true);
        clamped = Text(page, kFeedOffset);
        Arrow(page, kFeedSpin, 1);
        stepped = Text(page, kFeedOffset);
        Type(page, kFeedOffset, L"0.05");
    });
    DeletePrinterValue(kQueue, L"MeasureUnit");
    EXPECT_EQ(shown, L"1.00");
    EXPECT_EQ(unit, L"inch");
    EXPECT_EQ(clamped, L"10.00");
    EXPECT_EQ(stepped, L"10.00") << "the arrow stops at the range's end";
    EXPECT_EQ(DevmodeValue<std::int32_t>(run.applied, kPostFeedAt), 1270);
}

TEST(PrintSettingsPageTest, EscPosCompressionAndTheFeedReset) {
    const std::vector<BYTE> job = JobWith(kZipQueue, [](std::vector<BYTE>& dm) {
        SetDevmodeValue<std::uint32_t>(dm, kLanguageAt, 1);
        SetDevmodeValue<std::int32_t>(dm, kPostFeedAt, 3000);
        SetDevmodeValue<std::uint32_t>(dm, kEffectFlags, 0x20);
    });
    std::vector<std::wstring> zips;
    std::wstring feedAfterTspl;
    const DocumentSheetRun run = RunPage(kZipQueue, job, L"", [&](HWND page) {
        zips = Entries(page, kZipMethod);
        ChooseText(page, kZipMethod, L"Compress using pos zip");
        ChooseText(page, kLanguage, L"TSPL");
        feedAfterTspl = Text(page, kFeedOffset);
        ChooseText(page, kLanguage, L"ESC/POS");
    });
    EXPECT_EQ(zips, (std::vector<std::wstring>{L"Do not compress", L"Compress using zlib", L"Compress using pos zip"}));
    EXPECT_EQ(feedAfterTspl, L"0.0");
    EXPECT_EQ(DevmodeValue<std::uint32_t>(run.applied, kCompressionAt), 2u);
    EXPECT_EQ(DevmodeValue<std::uint32_t>(run.applied, kLanguageAt), 1u);
    EXPECT_EQ(DevmodeValue<std::int32_t>(run.applied, kPostFeedAt), 0);
    EXPECT_EQ(DevmodeValue<std::uint32_t>(run.applied, kEffectFlags), 0xA0u) << "ESC/POS sets the rotate bit";
    ExpectOnlyPageFieldsChanged(run);

    // Leaving ESC/POS for TSPL takes the bit away again.
    const std::vector<BYTE> escPos = run.applied;
    const DocumentSheetRun back =
        RunPage(kZipQueue, escPos, L"", [&](HWND page) { ChooseText(page, kLanguage, L"TSPL"); });
    EXPECT_EQ(DevmodeValue<std::uint32_t>(back.applied, kEffectFlags), 0x20u);
}

// A file of the prefix whose full path has exactly length characters.
std::wstring FileWithPathLength(std::size_t length) {
    wchar_t temp[MAX_PATH] = L"";
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = JoinPath(temp, std::wstring(150, L'f'));
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring base = folder + L"\\";
    if (base.size() + 5 > length) return {};
    const std::wstring path = base + std::wstring(length - base.size() - 4, L'n') + L".txt";
    return WriteFileBytes(path, "TEXT\r\n") ? path : std::wstring{};
}

// Chooses "File..." and answers the open-file dialog with path.
bool ChooseFile(HWND page, const std::wstring& path) {
    OpenFileAnswer answer(path);
    MenuCommand(page, 115);
    const bool answered = answer.answered();
    Pump(200);  // the page's own edit notification
    return answered;
}

TEST(PrintSettingsPageTest, FileReferenceReplacesTheSlot) {
    wchar_t folder[MAX_PATH] = L"";
    ASSERT_GT(GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring path = JoinPath(folder, L"label start.txt");
    ASSERT_TRUE(WriteFileBytes(path, "SIZE 100 mm,150 mm\r\n"));
    const std::wstring longest = FileWithPathLength(258);
    const std::wstring tooLong = FileWithPathLength(259);
    ASSERT_FALSE(longest.empty());
    ASSERT_FALSE(tooLong.empty());
    bool answered = false, answeredLongest = false, answeredTooLong = false;
    std::wstring command, longestCommand, tooLongCommand, note;
    const DocumentSheetRun run = RunPage(kQueue, {}, L"", [&](HWND page) {
        Choose(page, kSlot, 2);
        ChooseText(page, kFunctionCharacter, L"~");
        answeredLongest = ChooseFile(page, longest);
        longestCommand = Text(page, kCommand);
        answeredTooLong = ChooseFile(page, tooLong);
        tooLongCommand = Text(page, kCommand);
        note = Text(page, kCommandNote);
        Choose(page, kSlot, 0);
        Type(page, kCommand, L"^<ESC>@");
        answered = ChooseFile(page, path);
        command = Text(page, kCommand);
    });
    EXPECT_TRUE(answered && answeredLongest && answeredTooLong) << "no open-file dialog";
    EXPECT_EQ(command, L"~?" + path);
    EXPECT_EQ(SlotText(run.applied, 0), L"~?" + path);
    // A reference of 260 characters fills the slot; one more is refused whole, with a note.
    EXPECT_EQ(longestCommand, L"~?" + longest);
    EXPECT_EQ(tooLongCommand, L"~?" + longest);
    EXPECT_EQ(note, L"The file path is too long for a command (260 characters).");
    EXPECT_EQ(SlotText(run.applied, 2), L"~?" + longest);
    ExpectOnlyPageFieldsChanged(run);
}

TEST(PrintSettingsPageTest, BadInputIsHeldOrRefused) {
    const std::wstring full(260, L'x');
    std::wstring afterInsert, note, feedAfterLetters, intervalAfterLetters, noteAfterSlotChange, noneInsert;
    bool insertEnabledForNone = true;
    const std::vector<BYTE> job = JobWith(kQueue, [](std::vector<BYTE>& dm) {
        SetDevmodeValue<std::uint32_t>(dm, kPostActionAt, 3);
        SetDevmodeValue<std::uint32_t>(dm, kOccurrenceAt, 2);
        SetDevmodeValue<std::uint32_t>(dm, kIntervalAt, 30);
        SetDevmodeValue<std::int32_t>(dm, kPostFeedAt, 1500);
    });
    const DocumentSheetRun run = RunPage(kQueue, job, L"", [&](HWND page) {
        Type(page, kCommand, full);
        SendDlgItemMessageW(page, kCommand, EM_SETSEL, 260, 260);
        MenuCommand(page, 4927);
        afterInsert = Text(page, kCommand);
        note = Text(page, kCommandNote);
        Choose(page, kSlot, 2);
        noteAfterSlotChange = Text(page, kCommandNote);
        Choose(page, kFunctionCharacter, 0);  // "None"
        insertEnabledForNone = Enabled(page, kInsert);
        MenuCommand(page, 4900);
        noneInsert = Text(page, kCommand);
        Type(page, kFeedOffset, L"twelve", true);
        feedAfterLetters = Text(page, kFeedOffset);
        Type(page, kInterval, L"1e9", true);
        intervalAfterLetters = Text(page, kInterval);
        Type(page, kInterval, L"5000");  // applied without leaving the box
        Type(page, kFeedOffset, L"-99999");
    });
    EXPECT_EQ(afterInsert, full) << "a full slot takes no token, not even a part of one";
    EXPECT_EQ(note, L"No room left: a command holds at most 260 characters.");
    EXPECT_EQ(noteAfterSlotChange, L"");
    EXPECT_FALSE(insertEnabledForNone);
    EXPECT_EQ(noneInsert, L"") << "nothing is inserted without a function character";
    EXPECT_EQ(feedAfterLetters, L"1.5");
    EXPECT_EQ(intervalAfterLetters, L"30");
    EXPECT_EQ(SlotText(run.applied, 0), full);
    EXPECT_EQ(DevmodeValue<std::uint32_t>(run.applied, kIntervalAt), 999u);
    EXPECT_EQ(DevmodeValue<std::int32_t>(run.applied, kPostFeedAt), -254000);
    ExpectOnlyPageFieldsChanged(run);
}

TEST(PrintSettingsPageTest, EveryMenuCommandInsertsTheTextItShows) {
    HMENU menu = LoadMenuW(g_driverUi, MAKEINTRESOURCEW(115));
    ASSERT_NE(menu, nullptr);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    std::vector<std::pair<UINT, std::wstring>> items;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        const UINT id = GetMenuItemID(popup, i);
        wchar_t text[64] = L"";
        GetMenuStringW(popup, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        const std::wstring shown(text);
        if (id >= 4900 && id <= 4932) items.emplace_back(id, shown.substr(0, shown.find(L'\t')));
        else if (id != 0) EXPECT_EQ(id, 115u) << "File...";
    }
    DestroyMenu(menu);
    EXPECT_EQ(items.size(), 33u);
    std::vector<std::wstring> inserted;
    RunPage(kQueue, {}, L"", [&](HWND page) {
        ChooseText(page, kFunctionCharacter, L"!");
        for (const auto& item : items) {
            Type(page, kCommand, L"");
            MenuCommand(page, static_cast<int>(item.first));
            inserted.push_back(Text(page, kCommand));
        }
        Type(page, kCommand, L"");
    });
    ASSERT_EQ(inserted.size(), items.size());
    for (std::size_t i = 0; i < items.size(); ++i) EXPECT_EQ(inserted[i], L"!" + items[i].second) << items[i].first;
}

TEST(PrintSettingsPageTest, InsertOpensTheMenuAtTheCursor) {
    UINT firstItem = 0;
    std::wstring command;
    RunPage(kQueue, {}, L"", [&](HWND page) {
        Type(page, kCommand, L"");
        {
            PopupMenuAnswer answer(0);  // the first item, <NUL>
            SendDlgItemMessageW(page, kInsert, BM_CLICK, 0, 0);
            for (int i = 0; i < 100 && Text(page, kCommand).empty(); ++i) Pump(50);
            firstItem = answer.firstItem();
        }
        command = Text(page, kCommand);
        Type(page, kCommand, L"");
    });
    EXPECT_EQ(firstItem, 4900u);
    EXPECT_EQ(command, L"^<NUL>");
}

TEST(PrintSettingsPageTest, LockedSettingsCannotBeChanged) {
    ASSERT_TRUE(SetPrinterDword(kQueue, L"PPDataFlags", 16));
    bool anyEnabled = false;
    std::wstring lastSlot;
    const std::vector<BYTE> job = JobWith(kQueue, [](std::vector<BYTE>& dm) { SetSlot(dm, 3, L"^<ETX>"); });
    const DocumentSheetRun run = RunPage(kQueue, job, L"", [&](HWND page) {
        Choose(page, kSlot, 3);  // the commands can still be read
        lastSlot = Text(page, kCommand);
        for (int id : {kPrintMode, kLanguage, kPostAction, kPaperSaving, kPaperSize, kPaperType, kFeedOffset,
                       kZipMethod, kCommand, kInsert, kFunctionCharacter})
            anyEnabled = anyEnabled || Enabled(page, id);
        SendDlgItemMessageW(page, kPaperSaving, CB_SETCURSEL, 3, 0);
        SendMessageW(page, WM_COMMAND, MAKEWPARAM(kPaperSaving, CBN_SELCHANGE), 0);
    });
    DeletePrinterValue(kQueue, L"PPDataFlags");
    EXPECT_FALSE(anyEnabled);
    EXPECT_EQ(lastSlot, L"^<ETX>");
    EXPECT_EQ(ChangedPrivateBytes(run.opened, run.applied), std::vector<std::size_t>{});
}

// ---- Languages ----

struct Language {
    LANGID id;
    const char* name;
};
const Language kLanguages[] = {
    {MAKELANGID(LANG_CHINESE, SUBLANG_NEUTRAL), "Chinese (Simplified)"},
    {MAKELANGID(LANG_GERMAN, SUBLANG_NEUTRAL), "German"},
    {MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL), "English"},
    {MAKELANGID(LANG_SPANISH, SUBLANG_NEUTRAL), "Spanish"},
    {MAKELANGID(LANG_FRENCH, SUBLANG_NEUTRAL), "French"},
    {MAKELANGID(LANG_ITALIAN, SUBLANG_NEUTRAL), "Italian"},
    {MAKELANGID(LANG_KOREAN, SUBLANG_NEUTRAL), "Korean"},
    {MAKELANGID(LANG_DUTCH, SUBLANG_NEUTRAL), "Dutch"},
    {MAKELANGID(LANG_RUSSIAN, SUBLANG_NEUTRAL), "Russian"},
    {MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA), "Arabic (Saudi Arabia)"},
    {MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL), "Chinese (Traditional, Taiwan)"},
};
constexpr LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL);
// The page's strings, except the units, which some languages write as English does.
constexpr UINT kTranslatedStrings[] = {1908, 1909, 1915, 1917, 1920, 1955, 1960, 1961, 1962, 1971, 2201, 2202,
                                       2214, 2215, 2216, 2217, 2237, 2238, 2239, 2240, 2241, 2242, 2243, 2244};

TEST(PrintSettingsPageTest, EveryLanguageHasThePageTheMenuAndTheStrings) {
    const std::optional<DialogTemplate> english = ParseDialog(
        ResourceBytes(g_driverUi, RT_DIALOG, MAKEINTRESOURCEW(113), kEnglish).value_or(std::vector<BYTE>{}));
    ASSERT_TRUE(english.has_value());
    for (const Language& language : kLanguages) {
        SCOPED_TRACE(language.name);
        const std::optional<std::vector<BYTE>> bytes =
            ResourceBytes(g_driverUi, RT_DIALOG, MAKEINTRESOURCEW(113), language.id);
        ASSERT_TRUE(bytes.has_value());
        const std::optional<DialogTemplate> dialog = ParseDialog(*bytes);
        ASSERT_TRUE(dialog.has_value());
        EXPECT_EQ(dialog->ids, english->ids) << "the same controls";
        if (language.id != kEnglish) EXPECT_NE(dialog->caption, english->caption);
        EXPECT_TRUE(ResourceBytes(g_driverUi, RT_MENU, MAKEINTRESOURCEW(115), language.id).has_value());
        for (UINT id : {1948u, 1949u, 1950u})
            EXPECT_TRUE(StringResource(g_driverUi, id, language.id).has_value()) << id;
        for (UINT id : kTranslatedStrings) {
            const std::optional<std::wstring> text = StringResource(g_driverUi, id, language.id);
            ASSERT_TRUE(text.has_value()) << id;
            if (language.id != kEnglish) EXPECT_NE(*text, *StringResource(g_driverUi, id, kEnglish)) << id;
        }
    }
}

// The page in a language whose resources carry its exact language id (Arabic, Saudi Arabia).
std::wstring CaptionIn(LANGID language, const std::wstring& screenshot) {
    const LCID before = GetThreadLocale();
    const LANGID uiBefore = GetThreadUILanguage();
    SetThreadLocale(MAKELCID(language, SORT_DEFAULT));
    SetThreadUILanguage(language);
    const DocumentSheetRun run = RunPage(kQueue, {}, screenshot, [](HWND) {});
    SetThreadUILanguage(uiBefore);
    SetThreadLocale(before);
    return run.caption;
}

TEST(PrintSettingsPageTest, ArabicPage) {
    EXPECT_EQ(CaptionIn(MAKELANGID(LANG_ARABIC, SUBLANG_ARABIC_SAUDI_ARABIA), L"driverui_print_settings_ar.bmp"),
              L"\u0625\u0639\u062F\u0627\u062F\u0627\u062A \u0627\u0644\u0637\u0628\u0627\u0639\u0629");
}

// German resources have the neutral sublanguage, which the resource loader finds through the
// user's language: this test runs in a German process (wine_driverui_print_settings_de_test).
TEST(PrintSettingsPageTest, GermanPage) {
    if (PRIMARYLANGID(GetUserDefaultUILanguage()) != LANG_GERMAN) GTEST_SKIP() << "not a German process";
    std::wstring post, command;
    const DocumentSheetRun run = RunPage(kQueue, {}, L"driverui_print_settings_de.bmp", [&](HWND page) {
        Choose(page, kPostAction, 1);
        post = Selected(page, kPostAction);
    });
    EXPECT_EQ(run.caption, L"Druckeinstellungen");
    EXPECT_EQ(post, L"Abrei\u00DFen");
}

}  // namespace
}  // namespace kelno::test
