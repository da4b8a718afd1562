// base/win against Wine's real kernel objects, registry, SetupAPI, GDI and list view: owners
// close exactly once and never close a failure value, a GDI selection is undone, the UTF-16
// helpers stay inside their bounds, the registry reads refuse what does not fit.
#include <windows.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/win/list_view.h"
#include "base/win/registry.h"
#include "base/win/scoped.h"
#include "base/win/wide_text.h"
#include "tests/support/list_view_window.h"
#include "tests/support/wine_test_support.h"

namespace kelno::test {
namespace {

constexpr wchar_t kTestKey[] = L"Software\\Kelno\\BaseWinTest";

bool KernelHandleOpen(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}
bool KeyOpen(HKEY key) {
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
}
HANDLE NewEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }
HKEY NewKey() {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    return key;
}

// ---- owners ------------------------------------------------------------------------------------

TEST(ScopedOwner, ClosesAtScopeEndOnly) {
    HANDLE event = NewEvent();
    HKEY key = NewKey();
    const std::wstring path = JoinPath(MakeTempFolder(L"basewin"), L"owned.bin");
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_TRUE(KernelHandleOpen(event) && KeyOpen(key) && KernelHandleOpen(file));
    {
        const ScopedHandle ownedEvent(event);
        const ScopedRegistryKey ownedKey(key);
        const ScopedFile ownedFile(file);
        EXPECT_TRUE(ownedEvent && ownedKey && ownedFile);
        EXPECT_TRUE(KernelHandleOpen(event) && KeyOpen(key) && KernelHandleOpen(file));
    }
    EXPECT_FALSE(KernelHandleOpen(event));
    EXPECT_FALSE(KeyOpen(key));
    EXPECT_FALSE(KernelHandleOpen(file));
}

TEST(ScopedOwner, MoveLeavesTheSourceEmptyAndClosesTheTargetsOldHandle) {
    HANDLE first = NewEvent();
    HANDLE second = NewEvent();
    ScopedHandle a(first);
    {
        ScopedHandle b(std::move(a));
        EXPECT_FALSE(a);
        EXPECT_EQ(a.get(), nullptr);
        a = ScopedHandle(second);  // a held nothing: nothing is closed
        EXPECT_TRUE(KernelHandleOpen(first));
        b = std::move(a);  // b's first handle goes, second moves in
        EXPECT_FALSE(KernelHandleOpen(first));
        EXPECT_TRUE(KernelHandleOpen(second));
    }
    EXPECT_FALSE(KernelHandleOpen(second));
}

TEST(ScopedOwner, ReleaseKeepsReceiveAndResetClose) {
    HANDLE kept = NewEvent();
    { ScopedHandle(kept).release(); }
    EXPECT_TRUE(KernelHandleOpen(kept));

    ScopedHandle owner(kept);
    HANDLE* slot = owner.receive();  // closes what the owner held before the call fills it
    EXPECT_FALSE(KernelHandleOpen(kept));
    *slot = NewEvent();
    HANDLE received = owner.get();
    EXPECT_TRUE(KernelHandleOpen(received));
    owner.reset();
    EXPECT_FALSE(KernelHandleOpen(received));
    EXPECT_FALSE(owner);
}

// Failure values of real calls: the owner is empty and closes nothing.
TEST(ScopedOwner, FailureValuesAreEmpty) {
    const ScopedFile file(
        CreateFileW(L"C:\\no such folder\\file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(file);
    EXPECT_EQ(file.get(), INVALID_HANDLE_VALUE);

    WIN32_FIND_DATAW found;
    const ScopedFind search(FindFirstFileW(L"C:\\no such folder\\*", &found));
    EXPECT_FALSE(search);

    const ScopedDeviceInfoSet set(SetupDiCreateDeviceInfoList(nullptr, nullptr));
    ASSERT_TRUE(set);
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    const ScopedRegistryKey key(SetupDiOpenDevRegKey(set.get(), &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ));
    EXPECT_EQ(key.get(), static_cast<HKEY>(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(key);
}

TEST(ScopedOwner, SelectionRestoredBeforeTheObjectIsDeleted) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    const HGDIOBJ original = GetCurrentObject(dc, OBJ_BRUSH);
    HBRUSH raw = nullptr;
    {
        const ScopedGdiObject<HBRUSH> brush(CreateSolidBrush(RGB(1, 2, 3)));
        raw = brush.get();
        const ScopedSelection selected(dc, brush.get());
        EXPECT_TRUE(selected);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), raw);
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), original);
    EXPECT_EQ(GetObjectType(raw), 0u);
    DeleteDC(dc);
}

// ---- text ---------------------------------------------------------------------------------------

TEST(WideText, FieldsStayInsideTheirBounds) {
    const char16_t full[4] = {u'a', u'b', u'c', u'd'};  // no terminator
    const char16_t shortField[4] = {u'a', u'b', 0, u'x'};
    const wchar_t wideFull[3] = {L'x', L'y', L'z'};
    EXPECT_EQ(FieldString(full), L"abcd");
    EXPECT_EQ(FieldString(shortField), L"ab");
    EXPECT_EQ(FieldString(wideFull), L"xyz");
    EXPECT_EQ(TerminatedFieldString(full), L"abc");
    EXPECT_EQ(TerminatedFieldString(shortField), L"ab");
    EXPECT_EQ(U16View(wideFull, 2), u"xy");
    EXPECT_EQ(U16View(static_cast<const wchar_t*>(nullptr), 8), u"");

    struct Case {
        std::wstring text;
        bool whole;
        std::u16string stored;
    };
    const Case cases[] = {{L"abc", true, u"abc"}, {L"abcdef", false, u"abc"}, {L"", true, u""}};
    for (const Case& c : cases) {
        char16_t field[4] = {u'?', u'?', u'?', u'?'};
        EXPECT_EQ(SetField(field, c.text), c.whole);
        EXPECT_EQ(std::u16string(field), c.stored);
        EXPECT_EQ(field[3], u'\0');
    }
}

TEST(WideText, Utf8) {
    struct Case {
        std::u16string text;
        std::string utf8;
    };
    const Case cases[] = {
        {u"MX-410", "MX-410"},
        {u"\u00fc\u84dd", "\xC3\xBC\xE8\x93\x9D"},
        {u"\U0001F5A8", "\xF0\x9F\x96\xA8"},                     // a pair of surrogates
        {std::u16string(1, u'\xD83D') + u"x", "\xEF\xBF\xBDx"},  // a lone one
        {u"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(Utf8(c.text), c.utf8);
    EXPECT_EQ(Utf8(static_cast<const wchar_t*>(nullptr)), "");
}

TEST(WideText, AnsiRoundTripKeepsEmbeddedNulls) {
    std::vector<std::u16string> texts = {u"Tavolen MX-410", std::u16string(u"a\0b", 3)};
    const UINT acp = GetACP();
    if (acp == 1252 || acp == 28591 || acp == CP_UTF8) texts.push_back(u"Caf\u00e9");
    for (const std::u16string& text : texts) {
        const std::string ansi = AnsiFromU16(text);
        EXPECT_EQ(U16FromAnsi(ansi), text);
    }
    EXPECT_EQ(U16FromAnsi(""), u"");
}

TEST(WideText, FileNameParts) {
    struct Case {
        const wchar_t* path;
        const wchar_t* anySeparator;
        const wchar_t* backslashOnly;
    };
    const Case cases[] = {
        {L"C:\\drivers\\3\\kelnomon.dll", L"kelnomon.dll", L"kelnomon.dll"},
        {L"C:\\drivers\\a/b.dll", L"b.dll", L"a/b.dll"},
        {L"kelnomon.dll", L"kelnomon.dll", L"kelnomon.dll"},
        {L"C:\\drivers\\", L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(FileNamePart(c.path), c.anySeparator) << c.path;
        EXPECT_STREQ(FileNamePartAfterBackslash(c.path), c.backslashOnly) << c.path;
    }
}

// ---- registry reads -----------------------------------------------------------------------------

TEST(RegistryRead, StringsAndDwordsWithinTheirLimits) {
    const ScopedRegistryKey key(NewKey());
    ASSERT_TRUE(key);
    const wchar_t unterminated[] = {L'C', L'O', L'M', L'5'};
    RegSetValueExW(key.get(), L"unterminated", 0, REG_SZ, reinterpret_cast<const BYTE*>(unterminated),
                   sizeof(unterminated));
    RegSetValueExW(key.get(), L"long", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"COM10"), 6 * sizeof(wchar_t));
    const DWORD number = 7;
    RegSetValueExW(key.get(), L"number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    RegSetValueExW(key.get(), L"bytes", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&number), sizeof(number));

    struct Case {
        const wchar_t* name;
        std::optional<std::u16string> text;
        LONG error;
    };
    const Case cases[] = {
        {L"unterminated", u"COM5", ERROR_SUCCESS},
        {L"long", std::nullopt, ERROR_MORE_DATA},
        {L"number", std::nullopt, ERROR_INVALID_DATATYPE},
        {L"missing", std::nullopt, ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        LONG error = -1;
        EXPECT_EQ(ReadRegistryString(key.get(), c.name, 4, &error), c.text) << c.name;
        EXPECT_EQ(error, c.error) << c.name;
    }
    EXPECT_EQ(ReadRegistryDword(key.get(), L"number"), number);
    EXPECT_EQ(ReadRegistryDword(key.get(), L"bytes"), std::nullopt);
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
}

// ---- list view --------------------------------------------------------------------------------

TEST(ListViewRows, AppendReadSelect) {
    ListViewWindow window;
    const HWND list = window.List();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(AppendRow(list, {L"BT Printer(COM5:)", L"Tavolen MX-410", L"COM5:"}), 0);
    EXPECT_EQ(AppendRow(list, {L"second", nullptr, L"COM6:"}), 1);
    EXPECT_EQ(AppendRow(list, {L"third"}), 2);
    EXPECT_EQ(RowCount(list), 3);

    wchar_t cell[8];
    EXPECT_EQ(CellText(list, 0, 1, cell), 7u);  // cut to the buffer, terminated
    EXPECT_STREQ(cell, L"Tavolen");
    EXPECT_EQ(CellText(list, 1, 1, cell), 0u);
    EXPECT_STREQ(cell, L"");
    EXPECT_EQ(CellText(list, 1, 2, cell), 5u);
    EXPECT_STREQ(cell, L"COM6:");
    EXPECT_EQ(CellText(list, 0, 0, cell, 0), 0u);

    EXPECT_EQ(FirstSelectedRow(list), -1);
    SelectRow(list, 2);
    SelectRow(list, 0);
    EXPECT_EQ(SelectedRows(list), (std::vector<int>{0, 2}));
    EXPECT_EQ(FirstSelectedRow(list), 0);

    EXPECT_TRUE(DeleteAllRows(list));
    EXPECT_EQ(RowCount(list), 0);
    EXPECT_TRUE(SelectedRows(list).empty());
}

}  // namespace
}  // namespace kelno::test
