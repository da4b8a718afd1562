// The user commands of the Print Settings page: control-byte tokens at the caret, file
// references in place of the text, and the bound of a slot that no edit may pass.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "driverui/core/devmode.h"
#include "driverui/docsheet/user_commands.h"

namespace kelno {
namespace {

std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

TEST(UserCommandsTest, ControlTokensAtTheCaretOrInPlaceOfTheSelection) {
    const std::u16string full(kCommandTextLimit, u'x');
    const std::u16string roomForOne(kCommandTextLimit - 6, u'x');
    const struct {
        const char* what;
        std::u16string text;
        std::size_t start, end;
        std::u16string_view character, mnemonic;
        CommandEdit outcome;
        std::u16string result;
        std::size_t caret;
    } cases[] = {
        {"empty slot", u"", 0, 0, u"~", u"<ESC>", CommandEdit::done, u"~<ESC>", 6},
        {"caret inside", u"AB", 1, 1, u"~", u"<ESC>", CommandEdit::done, u"A~<ESC>B", 7},
        {"caret at the end", u"AB", 2, 2, u"^", u"<CR>", CommandEdit::done, u"AB^<CR>", 7},
        {"selection replaced", u"ABCD", 1, 3, u"^", u"<LF>", CommandEdit::done, u"A^<LF>D", 6},
        {"selection made backwards", u"ABCD", 3, 1, u"^", u"<LF>", CommandEdit::done, u"A^<LF>D", 6},
        {"caret past the text", u"AB", 10, 20, u"\\", u"<DEL>", CommandEdit::done, u"AB\\<DEL>", 8},
        {"exactly full", roomForOne, 3, 3, u"!", u"<ESC>", CommandEdit::done,
         roomForOne.substr(0, 3) + u"!<ESC>" + roomForOne.substr(3), 9},
        {"one unit too many", roomForOne + u"x", 0, 0, u"!", u"<ESC>", CommandEdit::noRoom, u"", 0},
        {"260 characters", full, 260, 260, u"~", u"<ESC>", CommandEdit::noRoom, u"", 0},
        {"260 characters, a selection makes room", full, 0, 6, u"~", u"<ESC>", CommandEdit::done,
         u"~<ESC>" + full.substr(6), 6},
        {"no function character", u"AB", 1, 1, u"", u"<ESC>", CommandEdit::noFunctionCharacter, u"", 0},
    };
    for (const auto& c : cases) {
        const CommandEditResult r = InsertControlToken(c.text, c.start, c.end, c.character, c.mnemonic);
        EXPECT_EQ(r.outcome, c.outcome) << c.what;
        if (c.outcome != CommandEdit::done) continue;
        EXPECT_EQ(r.text, c.result) << c.what;
        EXPECT_EQ(r.caret, c.caret) << c.what;
        EXPECT_LE(r.text.size(), kCommandTextLimit) << c.what;
    }
}

TEST(UserCommandsTest, FileReferencesReplaceTheTextAndAreNeverCut) {
    const struct {
        const char* what;
        std::u16string_view character;
        std::u16string path;
        CommandEdit outcome;
    } cases[] = {
        {"short path", u"~", u"C:\\labels\\start.txt", CommandEdit::done},
        {"longest path that fits", u"^", std::u16string(kCommandTextLimit - 2, u'p'), CommandEdit::done},
        {"one unit too long", u"^", std::u16string(kCommandTextLimit - 1, u'p'), CommandEdit::noRoom},
        {"longest path of the open-file dialog", u"^", std::u16string(259, u'p'), CommandEdit::noRoom},
        {"no function character", u"", u"C:\\a.txt", CommandEdit::noFunctionCharacter},
    };
    for (const auto& c : cases) {
        const CommandEditResult r = FileReference(c.character, c.path);
        EXPECT_EQ(r.outcome, c.outcome) << c.what;
        if (c.outcome != CommandEdit::done) continue;
        EXPECT_EQ(r.text, std::u16string(c.character) + u"?" + c.path) << c.what;
        EXPECT_LE(r.text.size(), kCommandTextLimit) << c.what;
    }
}

TEST(UserCommandsTest, MenuCommandsAndListSelectionsOutsideTheirRange) {
    // The menu's last command is DEL; the ids around the range stand for no byte.
    EXPECT_EQ(ControlByte(kInsertLastCommand), std::optional<std::uint8_t>(0x7F));
    for (unsigned other : {0u, kInsertFileCommand, kInsertFirstCommand - 1, kInsertLastCommand + 1}) {
        EXPECT_EQ(ControlMnemonic(other), std::nullopt) << other;
        EXPECT_EQ(ControlByte(other), std::nullopt) << other;
    }
    // A selection outside the four slots shows slot 0; "None" and entries past the list have no
    // character.
    for (long selection : {-1L, 4L, 100000L}) EXPECT_EQ(CommandSlotOf(selection), 0u) << selection;
    for (long entry : {-1L, 0L, static_cast<long>(kFunctionCharacters.size())})
        EXPECT_EQ(FunctionCharacterAt(entry), std::nullopt) << entry;
}

TEST(UserCommandsTest, SlotsHoldTheirTextAndNothingMore) {
    DriverDevmode devmode{};
    for (auto& slot : devmode.priv.commands)
        for (char16_t& unit : slot) unit = u'#';
    EXPECT_TRUE(StoreCommandText(devmode, 1, u"~<ESC>"));
    EXPECT_EQ(CommandText(devmode, 1), u"~<ESC>");
    EXPECT_EQ(devmode.priv.commands[1][7], u'#') << "units behind the terminator stay";
    EXPECT_TRUE(StoreCommandText(devmode, 3, std::u16string(kCommandTextLimit, u'z')));
    EXPECT_EQ(CommandText(devmode, 3).size(), kCommandTextLimit);
    EXPECT_FALSE(StoreCommandText(devmode, 2, std::u16string(kCommandTextLimit + 1, u'z')));
    EXPECT_EQ(devmode.priv.commands[2][0], u'#') << "a refused text writes nothing";
    EXPECT_FALSE(StoreCommandText(devmode, kCommandSlotCount, u"x"));
    EXPECT_EQ(CommandText(devmode, kCommandSlotCount), u"");
    // A slot without a terminator is read up to its end, never into the next slot.
    EXPECT_EQ(CommandText(devmode, 0).size(), kCommandTextUnits);
}

}  // namespace
}  // namespace kelno
