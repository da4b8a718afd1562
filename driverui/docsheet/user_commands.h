#pragma once
// The user commands of the Print Settings page: four texts in the private DEVMODE that the print
// path sends before and after the job and each page. The page writes two kinds of tokens into
// them: a control byte (a function character followed by the byte's mnemonic, "~<ESC>") and a
// file reference (a function character, "?" and a path, which replaces the whole text). These
// rules decide what a slot may hold: nothing is ever cut in the middle of a token or a path.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "driverui/core/devmode.h"

namespace kelno {

// The four slots, in DEVMODE order: before the job, before each page, after each page, after
// the job.
inline constexpr std::size_t kCommandSlotCount = 4;
// The longest text a slot holds (its 262 units keep room for the terminator).
inline constexpr std::size_t kCommandTextLimit = 260;
static_assert(kCommandTextLimit < kCommandTextUnits);

// The slot a list selection stands for: a selection outside the four slots is slot 0.
std::size_t CommandSlotOf(long selection);

// The text of a slot, up to its terminator and never past the slot's units.
std::u16string_view CommandText(const DriverDevmode& devmode, std::size_t slot);
// Stores a text of at most kCommandTextLimit units and its terminator; the units after the
// terminator are left as they were. False (nothing stored) when the text is longer or the slot
// does not exist.
bool StoreCommandText(DriverDevmode& devmode, std::size_t slot, std::u16string_view text);

// The function-character list: "None" first (no character, nothing can be inserted), then
// the characters offered, each shown as its own text.
extern const std::span<const std::u16string_view> kFunctionCharacters;
// The character of a list entry; nothing for "None" or an entry outside the list.
std::optional<std::u16string_view> FunctionCharacterAt(long listIndex);
// The list entry selected when the page opens: "^".
inline constexpr long kDefaultFunctionCharacterEntry = 1;

// The Insert menu's commands: 4900 + n for the control byte n (0 to 31), 4932 for DEL (0x7F),
// and "File..." (115).
inline constexpr unsigned kInsertFirstCommand = 4900;
inline constexpr unsigned kInsertLastCommand = 4932;
inline constexpr unsigned kInsertFileCommand = 115;
// The mnemonic ("<ESC>") of a menu command; nothing for any other command.
std::optional<std::u16string_view> ControlMnemonic(unsigned command);
// The byte a menu command stands for.
std::optional<std::uint8_t> ControlByte(unsigned command);

// What an edit of a slot's text came to.
enum class CommandEdit {
    done,
    noFunctionCharacter,  // "None" is selected
    noRoom,               // the result would be longer than the slot holds
};
struct CommandEditResult {
    CommandEdit outcome = CommandEdit::done;
    std::u16string text;    // the slot's new text (when done)
    std::size_t caret = 0;  // the caret behind the inserted token (when done)
};

// Replaces the selection [selectionStart, selectionEnd) of text (clipped to the text, either
// order) with the function character and the mnemonic. Refused, never cut, when the result
// would exceed limit units.
CommandEditResult InsertControlToken(std::u16string_view text, std::size_t selectionStart, std::size_t selectionEnd,
                                     std::u16string_view functionCharacter, std::u16string_view mnemonic,
                                     std::size_t limit = kCommandTextLimit);

// The file reference that replaces a slot's text: function character, "?", path. Refused when
// it would exceed limit units (a path is never cut) or when no character is chosen.
CommandEditResult FileReference(std::u16string_view functionCharacter, std::u16string_view path,
                                std::size_t limit = kCommandTextLimit);

}  // namespace kelno
