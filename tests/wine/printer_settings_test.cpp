// The Printer Settings page of the printer properties (dialog 104), opened for test queues on
// the private Xvfb display through the test host that plays the common property-sheet UI
// (tests/support/common_ui_host.h), with the installed configuration DLL:
// - the settings as printer data (default folder, measure unit, PPDataFlags with the other
//   bits kept) and the page's change tracking, seen as PSM_CHANGED/PSM_UNCHANGED at the sheet;
// - the folder's file list, dropped files, Delete File and Delete All Files;
// - View File (Wine's Notepad, its command line read from its process) and Send To Printer
//   (a RAW job to a queue whose port is a file path) with their message boxes, answered from a
//   helper thread (tests/support/dialog_answers.h);
// - the firmware group of a QVL printer: the status line for the printer's answers, stored as
//   printer data of the queue (Wine never asks a language monitor), the image choice through
//   the file dialog with the header and model checks.
// Screenshots of the page in English and German, with and without the firmware group.
#include <windows.h>
#include <commctrl.h>
#include <compstui.h>
#include <prsht.h>
#include <shlobj.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "driverui/core/win/driver_interface.h"
#include "tests/support/common_ui_host.h"
#include "tests/support/dialog_answers.h"
#include "tests/support/firmware_image.h"
#include "tests/wine/driverui_test_support.h"

namespace kelno::test {
namespace {

const std::wstring kDriver = L"Tavolen MX-410";
const std::wstring kQueue = L"Settings queue";  // TSPL: no firmware group
const std::wstring kQvlQueue = L"MX-410";       // QVL: the firmware group; named like the image models
constexpr DWORD kPrivateLanguageOffset = 2424;

HMODULE g_driverUi = nullptr;

std::wstring UnixPathOf(const std::wstring& relative) {
    wchar_t prefix[MAX_PATH] = L"";
    if (!GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH)) return {};
    std::wstring path = std::wstring(prefix) + L"/drive_c/" + relative;
    for (wchar_t& c : path)
        if (c == L'\\') c = L'/';
    return path;
}

// Makes the queue's default DEVMODE speak QVL (print language 0).
bool SetQvlLanguage(const std::wstring& queue) {
    Printer printer(queue);
    DWORD needed = 0;
    GetPrinterW(printer.get(), 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed);
    if (!needed || !GetPrinterW(printer.get(), 2, info.data(), needed, &needed)) return false;
    std::vector<BYTE> devmode(5196);
    if (DocumentPropertiesW(nullptr, printer.get(), const_cast<wchar_t*>(queue.c_str()),
                            reinterpret_cast<DEVMODEW*>(devmode.data()), nullptr, DM_OUT_BUFFER) != IDOK)
        return false;
    std::memset(devmode.data() + kPrivateLanguageOffset, 0, 4);
    auto* printerInfo = reinterpret_cast<PRINTER_INFO_2W*>(info.data());
    printerInfo->pDevMode = reinterpret_cast<DEVMODEW*>(devmode.data());
    printerInfo->pSecurityDescriptor = nullptr;
    return SetPrinterW(printer.get(), 2, info.data(), 0) != FALSE;
}

class SettingsEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        ASSERT_TRUE(InstallPackageDriver(kDriver)) << GetLastError();
        CreateDirectoryW(L"C:\\port", nullptr);
        ASSERT_TRUE(AddQueue(kQueue, kDriver, UnixPathOf(L"port/job.bin"))) << GetLastError();
        ASSERT_TRUE(AddQueue(kQvlQueue, kDriver, L"COM3:")) << GetLastError();
        ASSERT_TRUE(SetQvlLanguage(kQvlQueue)) << GetLastError();
        g_driverUi = LoadInstalledDriverUi();
        ASSERT_NE(g_driverUi, nullptr);
    }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new SettingsEnvironment);

// ---- the page in the sheet ----

std::vector<UINT> g_sheetMessages;
WNDPROC g_sheetProcedure = nullptr;
LRESULT CALLBACK RecordingSheetProcedure(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PSM_CHANGED || message == PSM_UNCHANGED) g_sheetMessages.push_back(message);
    return CallWindowProcW(g_sheetProcedure, sheet, message, wParam, lParam);
}

// Opens the printer properties of the queue on the Printer Settings page, records what the page
// tells the sheet, hands the page to check, then presses OK (the page applies).
void RunSettingsPage(const std::wstring& queue, const std::wstring& screenshot,
                     const std::function<void(HWND)>& check) {
    Printer printer(queue);
    DevicePropertyHeader header{sizeof(DevicePropertyHeader), 0, printer.get(), const_cast<wchar_t*>(queue.c_str())};
    CommonUiHost host(ExportOf<SheetEntry>(g_driverUi, "DrvDevicePropertySheets"), reinterpret_cast<LPARAM>(&header));
    ASSERT_EQ(host.Init(), 1);
    ASSERT_EQ(host.pageTemplates(), (std::vector<WORD>{104, 101}));
    host.ShowSheet(
        queue, screenshot,
        [&](HWND page) {
            g_sheetMessages.clear();
            g_sheetProcedure = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(GetParent(page), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingSheetProcedure)));
            check(page);
        },
        0);
    EXPECT_EQ(host.Destroy(), 1);
}

std::wstring Text(HWND page, int id) {
    wchar_t text[512] = L"";
    GetDlgItemTextW(page, id, text, static_cast<int>(std::size(text)));
    return text;
}

std::wstring SelectedUnit(HWND page) {
    HWND box = GetDlgItem(page, 1082);
    const LRESULT item = SendMessageW(box, CB_GETCURSEL, 0, 0);
    wchar_t text[64] = L"";
    if (item >= 0) SendMessageW(box, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(text));
    return text;
}

std::vector<std::wstring> ListEntries(HWND page) {
    HWND list = GetDlgItem(page, 1033);
    std::vector<std::wstring> entries;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[MAX_PATH + 1] = L"";
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

void Select(HWND page, const std::wstring& entry) {
    HWND list = GetDlgItem(page, 1033);
    SendMessageW(
        list, LB_SETCURSEL,
        SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str())), 0);
}

void Click(HWND page, int id) { SendDlgItemMessageW(page, id, BM_CLICK, 0, 0); }

// Drops files on the page as the shell does (a DROPFILES block with wide names).
void DropFiles(HWND page, const std::vector<std::wstring>& files) {
    std::size_t units = 1;
    for (const std::wstring& file : files) units += file.size() + 1;
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + units * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* names = reinterpret_cast<wchar_t*>(drop + 1);
    for (const std::wstring& file : files) {
        std::memcpy(names, file.c_str(), (file.size() + 1) * sizeof(wchar_t));
        names += file.size() + 1;
    }
    GlobalUnlock(block);
    SendMessageW(page, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);  // DragFinish frees it
}

// A folder of recordings: files and a subfolder with a file of its own.
void MakeLogFolder(const std::wstring& folder, const std::vector<std::wstring>& files) {
    SHCreateDirectoryExW(nullptr, (folder + L"\\sub").c_str(), nullptr);
    WriteFileBytes(folder + L"\\sub\\inner.prn", "inner");
    for (const std::wstring& file : files) WriteFileBytes(folder + L"\\" + file, PatternBytes(100));
}

bool StoreLogFolder(const std::wstring& queue, const std::wstring& folder) {
    Printer printer(queue);
    return SetPrinterDataW(printer.get(), const_cast<wchar_t*>(L"LogFolder"), REG_SZ,
                           reinterpret_cast<BYTE*>(const_cast<wchar_t*>(folder.c_str())),
                           static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

TEST(PrinterSettingsPageTest, DefaultFolderAndFlagsAreStoredOnApply) {
    DeletePrinterValue(kQueue, L"LogFolder");
    DeletePrinterValue(kQueue, L"MeasureUnit");
    ASSERT_TRUE(SetPrinterDword(kQueue, L"PPDataFlags", 2 | 16));
    std::wstring shownFolder;
    RunSettingsPage(kQueue, L"printer_settings_page.bmp", [&](HWND page) {
        shownFolder = Text(page, 1031);
        EXPECT_EQ(IsDlgButtonChecked(page, 1012), static_cast<UINT>(BST_CHECKED)) << "lock: bit 4";
        EXPECT_EQ(IsDlgButtonChecked(page, 1009), static_cast<UINT>(BST_UNCHECKED)) << "record: bit 3";
        EXPECT_EQ(SelectedUnit(page), L"mm");
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, 1063))) << "no firmware group for TSPL";
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, 1128)));
        Click(page, 1009);
    });
    EXPECT_EQ(shownFolder, L"C:\\Printer Log\\" + kQueue);
    const StoredValue folder = StoredPrinterValue(kQueue, L"LogFolder");
    ASSERT_TRUE(folder.found) << "the default folder is stored on Apply";
    EXPECT_EQ(folder.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(folder.bytes.data()), folder.bytes.size() / 2),
              shownFolder + L'\0');
    const StoredValue flags = StoredPrinterValue(kQueue, L"PPDataFlags");
    ASSERT_EQ(flags.bytes.size(), 4u);
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(flags.bytes.data()), 2u | 16u | 8u) << "bit 1 kept";
    EXPECT_EQ(StoredPrinterValue(kQueue, L"MeasureUnit").bytes, (std::vector<BYTE>{0, 0, 0, 0}));
}

TEST(PrinterSettingsPageTest, ChangeTrackingAndTheStoredUnit) {
    ASSERT_TRUE(SetPrinterDword(kQueue, L"MeasureUnit", 1));
    ASSERT_TRUE(SetPrinterDword(kQueue, L"PPDataFlags", 6));
    RunSettingsPage(kQueue, L"printer_settings_unit.bmp", [&](HWND page) {
        EXPECT_EQ(SelectedUnit(page), L"cm");
        EXPECT_TRUE(g_sheetMessages.empty()) << "filling the page is no change";
        Click(page, 1009);
        Click(page, 1009);
        EXPECT_EQ(g_sheetMessages, (std::vector<UINT>{PSM_CHANGED, PSM_UNCHANGED}));
        g_sheetMessages.clear();
        for (int unit : {2, 1}) {
            SendDlgItemMessageW(page, 1082, CB_SETCURSEL, unit, 0);
            SendMessageW(page, WM_COMMAND, MAKEWPARAM(1082, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(GetDlgItem(page, 1082)));
        }
        EXPECT_EQ(g_sheetMessages, (std::vector<UINT>{PSM_CHANGED, PSM_UNCHANGED}));
        g_sheetMessages.clear();
        Click(page, 1012);
        EXPECT_EQ(g_sheetMessages, std::vector<UINT>{PSM_CHANGED});
        Click(page, 1012);  // back as stored before OK
    });
    const StoredValue flags = StoredPrinterValue(kQueue, L"PPDataFlags");
    ASSERT_EQ(flags.bytes.size(), 4u);
    EXPECT_EQ(*reinterpret_cast<const DWORD*>(flags.bytes.data()), 6u);
}

TEST(PrinterSettingsPageTest, FileListDroppedFilesAndDeletion) {
    const std::wstring folder = L"C:\\logs\\list";
    MakeLogFolder(folder, {L"a.prn", L"b.prn"});
    SHCreateDirectoryExW(nullptr, L"C:\\other", nullptr);
    ASSERT_TRUE(WriteFileBytes(L"C:\\other\\c.prn", "c"));
    ASSERT_TRUE(StoreLogFolder(kQueue, folder));
    RunSettingsPage(kQueue, L"printer_settings_list.bmp", [&](HWND page) {
        EXPECT_EQ(ListEntries(page), (std::vector<std::wstring>{L"a.prn", L"b.prn"})) << "files only";
        DropFiles(page, {L"C:\\other\\c.prn"});
        DropFiles(page, {L"C:\\other\\c.prn", folder + L"\\a.prn"});
        EXPECT_EQ(ListEntries(page),
                  (std::vector<std::wstring>{L"a.prn", L"b.prn", folder + L"\\a.prn", L"C:\\other\\c.prn"}));

        // Delete File on a dropped entry removes nothing; the refreshed list drops it.
        Select(page, L"C:\\other\\c.prn");
        Click(page, 1036);
        EXPECT_TRUE(FileExists(L"C:\\other\\c.prn"));
        EXPECT_EQ(ListEntries(page), (std::vector<std::wstring>{L"a.prn", L"b.prn"}));
        Select(page, L"b.prn");
        Click(page, 1036);
        EXPECT_FALSE(FileExists(folder + L"\\b.prn"));
        EXPECT_EQ(ListEntries(page), std::vector<std::wstring>{L"a.prn"});

        Click(page, 1037);
        EXPECT_TRUE(ListEntries(page).empty());
    });
    EXPECT_FALSE(FileExists(folder + L"\\a.prn"));
    EXPECT_TRUE(FileExists(folder + L"\\sub\\inner.prn")) << "Delete All Files leaves folders";
}

TEST(PrinterSettingsPageTest, ViewFileOpensNotepadWithTheFile) {
    const std::wstring folder = L"C:\\logs\\view";
    MakeLogFolder(folder, {L"job one.prn"});
    ASSERT_TRUE(WriteFileBytes(L"C:\\other\\dropped.prn", "d"));
    ASSERT_TRUE(StoreLogFolder(kQueue, folder));
    wchar_t windows[MAX_PATH] = L"";
    GetWindowsDirectoryW(windows, MAX_PATH);
    const struct {
        std::wstring entry, file;
    } cases[] = {{L"job one.prn", folder + L"\\job one.prn"}, {L"C:\\other\\dropped.prn", L"C:\\other\\dropped.prn"}};
    RunSettingsPage(kQueue, L"printer_settings_view.bmp", [&](HWND page) {
        DropFiles(page, {L"C:\\other\\dropped.prn"});
        for (const auto& c : cases) {
            SCOPED_TRACE(Narrow(c.entry));
            std::wstring commandLine;
            std::thread closer([&] { commandLine = CloseWindowOfClass(L"Notepad", std::chrono::seconds(60)); });
            Select(page, c.entry);
            Click(page, 1034);  // returns when Notepad has ended
            closer.join();
            // Wine's Notepad parses its command line in place and leaves a NUL where the
            // closing quote stood.
            if (!commandLine.empty() && commandLine.back() == L'\0') commandLine.back() = L'"';
            EXPECT_EQ(commandLine, std::wstring(windows) + L"\\notepad.exe \"" + c.file + L"\"");
        }
    });
}

TEST(PrinterSettingsPageTest, SendToPrinterTellsWhetherTheJobStarted) {
    const std::wstring folder = L"C:\\logs\\send";
    MakeLogFolder(folder, {L"job.prn"});
    ASSERT_TRUE(WriteFileBytes(L"C:\\other\\gone.prn", "g"));
    ASSERT_TRUE(StoreLogFolder(kQueue, folder));
    DeleteFileW(L"C:\\port\\job.bin");
    std::vector<std::wstring> texts, captions;
    const DialogAnswers::Action answer = [&](HWND box) {
        texts.push_back(MessageBoxText(box));
        wchar_t caption[64] = L"";
        GetWindowTextW(box, caption, 64);
        captions.push_back(caption);
        Press(box, IDOK);
    };
    RunSettingsPage(kQueue, L"printer_settings_send.bmp", [&](HWND page) {
        DropFiles(page, {L"C:\\other\\gone.prn"});
        DeleteFileW(L"C:\\other\\gone.prn");
        DialogAnswers answers({answer, answer});
        Select(page, L"job.prn");
        Click(page, 1035);
        Select(page, L"C:\\other\\gone.prn");
        Click(page, 1035);
        EXPECT_EQ(answers.Finish(), 2);
    });
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"The file was sent to the printer.",
                                                L"Failed to send the file to the printer."}));
    EXPECT_EQ(captions, (std::vector<std::wstring>{L"Information", L"Information"}));
    EXPECT_TRUE(ReadFileBytes(L"C:\\port\\job.bin") == PatternBytes(100));
}

// ---- the firmware group ----

void StoreReply(const wchar_t* value, std::vector<BYTE> bytes) {
    bytes.resize(64, 0);
    ASSERT_TRUE(SetPrinterBinary(kQvlQueue, value, bytes.data(), static_cast<DWORD>(bytes.size())));
}

// Pumps the page's messages until the control shows the text (or 10 s passed).
std::wstring WaitForText(HWND page, int id, const std::wstring& wanted) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Text(page, id) != wanted && std::chrono::steady_clock::now() < deadline) Pump(100);
    return Text(page, id);
}

TEST(FirmwareGroupTest, TheStatusPollShowsThePrinterAnswers) {
    for (const wchar_t* value : {L"qvgetcmd1", L"qvgetcmd2", L"qvgetcmd5", L"qvgetcmd7"})
        DeletePrinterValue(kQvlQueue, value);
    StoreReply(L"qvgetcmd2", {0, 0, 0, 0, 0, 'V', '3', '.', '0', '1', 0});
    StoreReply(L"qvgetcmd7", {0, 0});
    const struct {
        BYTE state;   // "qvgetcmd1" byte 0
        BYTE update;  // "qvgetcmd5" byte 0
        const wchar_t* status;
    } cases[] = {
        {0, 5, L"Checking CRC."},    {0, 1, L"Printer is ready"},          {0, 3, L"Data verification failure"},
        {0, 0, L"Printer is ready"}, {0, 7, L"Data verification failure"}, {8, 5, L"Printer offline"},
    };
    RunSettingsPage(kQvlQueue, L"printer_settings_firmware.bmp", [&](HWND page) {
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, 1063)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1058))) << "no image chosen yet";
        for (const auto& c : cases) {
            SCOPED_TRACE(Narrow(c.status));
            StoreReply(L"qvgetcmd1", {c.state});
            StoreReply(L"qvgetcmd5", {c.update});
            EXPECT_EQ(WaitForText(page, 1060, c.status), c.status);
        }
        EXPECT_EQ(Text(page, 1053), L"V3.01");
        EXPECT_EQ(Text(page, 1054), L"") << "an offline printer is asked nothing more";
        StoreReply(L"qvgetcmd1", {0});
        // A checksum of 0 is unknown: the box stays empty and is asked again.
        Pump(1500);
        EXPECT_EQ(Text(page, 1054), L"");
        StoreReply(L"qvgetcmd7", {0x34, 0x12});
        EXPECT_EQ(WaitForText(page, 1054, L"0x1234"), L"0x1234");
    });
}

TEST(FirmwareGroupTest, OtherPrintLanguagesAreNeverPolled) {
    StoreReply(L"qvgetcmd5", {5});
    ASSERT_TRUE(SetPrinterBinary(kQueue, L"qvgetcmd5", std::vector<BYTE>(64, 5).data(), 64));
    RunSettingsPage(kQueue, L"printer_settings_no_firmware.bmp", [&](HWND page) {
        for (int id : {1063, 1053, 1054, 1018, 1057, 1058, 1059}) EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, id)));
        Pump(2500);
        EXPECT_EQ(Text(page, 1060), L"");
    });
    DeletePrinterValue(kQueue, L"qvgetcmd5");
}

TEST(FirmwareGroupTest, ImageChoiceChecksTheHeaderAndTheModel) {
    SHCreateDirectoryExW(nullptr, L"C:\\fw", nullptr);
    ASSERT_TRUE(WriteFileBytes(L"C:\\fw\\match.bin", FirmwareImage(4096, "MX-410 MX-420", "V2.10", 0x1BEF)));
    ASSERT_TRUE(WriteFileBytes(L"C:\\fw\\other.bin", FirmwareImage(4096, "MX-310", "V1.00", 0xBEEF)));
    ASSERT_TRUE(WriteFileBytes(L"C:\\fw\\plain.txt", "just text, no firmware"));
    const std::wstring question = L"This firmware does not match the current printer model. Force to update it?";
    const struct {
        const char* name;
        std::wstring image;
        int answer;  // 0: no question expected
        bool enabledBefore, enabledAfter;
        std::wstring version, crc, model;
    } cases[] = {
        {"matching model", L"C:\\fw\\match.bin", 0, false, true, L"V2.10", L"0x1bef", L"MX-410 MX-420"},
        {"other model, no", L"C:\\fw\\other.bin", IDNO, true, false, L"V1.00", L"0xffffbeef", L"MX-310"},
        {"other model, yes", L"C:\\fw\\other.bin", IDYES, false, true, L"V1.00", L"0xffffbeef", L"MX-310"},
        {"no firmware header", L"C:\\fw\\plain.txt", 0, true, true, L"", L"", L""},
    };
    RunSettingsPage(kQvlQueue, L"printer_settings_image.bmp", [&](HWND page) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            EnableWindow(GetDlgItem(page, 1058), c.enabledBefore);
            std::wstring asked;
            std::vector<DialogAnswers::Action> actions{[&](HWND dialog) { ChooseFile(dialog, c.image); }};
            if (c.answer)
                actions.push_back([&](HWND box) {
                    asked = MessageBoxText(box);
                    Press(box, c.answer);
                });
            DialogAnswers answers(actions);
            Click(page, 1057);
            EXPECT_EQ(answers.Finish(), static_cast<int>(actions.size()));
            EXPECT_EQ(Text(page, 1018), c.image);
            EXPECT_EQ(asked, c.answer ? question : L"");
            EXPECT_EQ(Text(page, 1061), c.version);
            EXPECT_EQ(Text(page, 1056), c.crc);
            EXPECT_EQ(Text(page, 1055), c.model);
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(page, 1058)) != FALSE, c.enabledAfter);
        }
    });
}

// The start button runs the transfer thread with the chosen image: this prefix has no printer
// behind COM3, so the thread ends with the file-opening error, and the page takes its messages.
TEST(FirmwareGroupTest, TheStartButtonRunsTheTransferThread) {
    SHCreateDirectoryExW(nullptr, L"C:\\fw", nullptr);
    ASSERT_TRUE(WriteFileBytes(L"C:\\fw\\start.bin", FirmwareImage(2048, "MX-410")));
    DeletePrinterValue(kQvlQueue, L"qvgetcmd1");
    RunSettingsPage(kQvlQueue, L"printer_settings_start.bmp", [&](HWND page) {
        DialogAnswers answers({[](HWND dialog) { ChooseFile(dialog, L"C:\\fw\\start.bin"); }});
        Click(page, 1057);
        ASSERT_EQ(answers.Finish(), 1);
        ASSERT_TRUE(IsWindowEnabled(GetDlgItem(page, 1058)));
        Click(page, 1058);
        EXPECT_EQ(WaitForText(page, 1060, L"File opening error"), L"File opening error");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1058)));
    });
}

// Run by the second registration of this program, whose process speaks German (LANG=de_DE).
TEST(PrinterSettingsPageTest, GermanPageWithAndWithoutTheFirmwareGroup) {
    if (PRIMARYLANGID(GetUserDefaultUILanguage()) != LANG_GERMAN) GTEST_SKIP() << "not a German process";
    std::vector<std::wstring> captions, groups;
    for (const auto& [queue, screenshot] : {std::pair{kQvlQueue, L"printer_settings_firmware_de.bmp"},
                                            std::pair{kQueue, L"printer_settings_page_de.bmp"}})
        RunSettingsPage(queue, screenshot, [&](HWND page) {
            wchar_t caption[64] = L"";
            GetWindowTextW(page, caption, 64);
            captions.push_back(caption);
            groups.push_back(IsWindowVisible(GetDlgItem(page, 1063)) ? Text(page, 1063) : L"(hidden)");
        });
    EXPECT_EQ(captions, (std::vector<std::wstring>{L"Druckereinstellungen", L"Druckereinstellungen"}));
    EXPECT_EQ(groups, (std::vector<std::wstring>{L"Firmware aktualisieren", L"(hidden)"}));
}

// The transfer's posted messages as the page takes them; the dialog manager's DM_SETDEFID,
// which shares WM_USER + 1, is not taken for one.
TEST(FirmwareGroupTest, TransferMessagesDriveThePage) {
    constexpr LPARAM kTag = 0x4B465755;
    DeletePrinterValue(kQvlQueue, L"qvgetcmd1");
    RunSettingsPage(kQvlQueue, L"printer_settings_transfer.bmp", [&](HWND page) {
        SendMessageW(page, WM_USER + 1, 0, kTag);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(page, 1058)));
        EXPECT_EQ(Text(page, 1060), L"Printer is ready");
        SendMessageW(page, WM_USER + 12, 50, kTag);
        EXPECT_EQ(SendDlgItemMessageW(page, 1059, PBM_GETPOS, 0, 0), 50);
        EXPECT_EQ(Text(page, 1060), L"Updating firmware, do not close the window! Transfer complete: 50% ");
        SendMessageW(page, WM_USER + 4, 3, kTag);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1058)));
        EXPECT_EQ(Text(page, 1060), L"Error sending data. Please try again.");
        // The poll stays stopped after a failure: a printer answer does not replace the error.
        StoreReply(L"qvgetcmd5", {5});
        Pump(2500);
        EXPECT_EQ(Text(page, 1060), L"Error sending data. Please try again.");
        SendMessageW(page, WM_USER + 1, 1000, 0);  // DM_SETDEFID
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(page, 1058)));
        // Finished: the poll runs again and reads version and checksum afresh.
        SetDlgItemTextW(page, 1053, L"old");
        SendMessageW(page, WM_USER + 3, 0, kTag);
        EXPECT_EQ(Text(page, 1053), L"");
        EXPECT_EQ(WaitForText(page, 1060, L"Checking CRC."), L"Checking CRC.");
    });
}

}  // namespace
}  // namespace kelno::test
