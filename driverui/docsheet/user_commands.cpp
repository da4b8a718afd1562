#include "driverui/docsheet/user_commands.h"

#include <algorithm>
#include <iterator>

namespace kelno {

namespace {

constexpr std::u16string_view kCharacters[] = {u"", u"^", u"~", u"!", u"_", u"/", u"\\"};

// The mnemonics of the bytes 0x00 to 0x1F in ASCII order.
constexpr std::u16string_view kMnemonics[] = {
    u"<NUL>", u"<SOH>", u"<STX>", u"<ETX>", u"<EOT>", u"<ENQ>", u"<ACK>", u"<BEL>", u"<BS>",  u"<HT>",  u"<LF>",
    u"<VT>",  u"<FF>",  u"<CR>",  u"<SO>",  u"<SI>",  u"<DLE>", u"<DC1>", u"<DC2>", u"<DC3>", u"<DC4>", u"<NAK>",
    u"<SYN>", u"<ETB>", u"<CAN>", u"<EM>",  u"<SUB>", u"<ESC>", u"<FS>",  u"<GS>",  u"<RS>",  u"<US>",
};
static_assert(std::size(kMnemonics) == 32);
constexpr std::u16string_view kDeleteMnemonic = u"<DEL>";
constexpr std::uint8_t kDeleteByte = 0x7F;

CommandEditResult Refused(CommandEdit why) {
    CommandEditResult result;
    result.outcome = why;
    return result;
}

}  // namespace

const std::span<const std::u16string_view> kFunctionCharacters(kCharacters);

std::size_t CommandSlotOf(long selection) {
    return selection >= 0 && static_cast<unsigned long>(selection) < kCommandSlotCount
               ? static_cast<std::size_t>(selection)
               : 0;
}

std::u16string_view CommandText(const DriverDevmode& devmode, std::size_t slot) {
    if (slot >= kCommandSlotCount) return {};
    const char16_t* units = devmode.priv.commands[slot];
    std::size_t n = 0;
    while (n < kCommandTextUnits && units[n] != u'\0') ++n;
    return {units, n};
}

bool StoreCommandText(DriverDevmode& devmode, std::size_t slot, std::u16string_view text) {
    if (slot >= kCommandSlotCount || text.size() > kCommandTextLimit) return false;
    char16_t* units = devmode.priv.commands[slot];
    std::copy(text.begin(), text.end(), units);
    units[text.size()] = u'\0';
    return true;
}

std::optional<std::u16string_view> FunctionCharacterAt(long listIndex) {
    if (listIndex < 1 || static_cast<std::size_t>(listIndex) >= std::size(kCharacters)) return std::nullopt;
    return kCharacters[listIndex];
}

std::optional<std::u16string_view> ControlMnemonic(unsigned command) {
    if (command < kInsertFirstCommand || command > kInsertLastCommand) return std::nullopt;
    const unsigned n = command - kInsertFirstCommand;
    return n < std::size(kMnemonics) ? kMnemonics[n] : kDeleteMnemonic;
}

std::optional<std::uint8_t> ControlByte(unsigned command) {
    if (command < kInsertFirstCommand || command > kInsertLastCommand) return std::nullopt;
    const unsigned n = command - kInsertFirstCommand;
    return n < std::size(kMnemonics) ? static_cast<std::uint8_t>(n) : kDeleteByte;
}

CommandEditResult InsertControlToken(std::u16string_view text, std::size_t selectionStart, std::size_t selectionEnd,
                                     std::u16string_view functionCharacter, std::u16string_view mnemonic,
                                     std::size_t limit) {
    if (functionCharacter.empty()) return Refused(CommandEdit::noFunctionCharacter);
    const std::size_t first = std::min({selectionStart, selectionEnd, text.size()});
    const std::size_t last = std::min(std::max(selectionStart, selectionEnd), text.size());
    const std::size_t kept = text.size() - (last - first);
    const std::size_t token = functionCharacter.size() + mnemonic.size();
    if (kept + token > limit) return Refused(CommandEdit::noRoom);
    CommandEditResult result;
    result.text.reserve(kept + token);
    result.text.append(text.substr(0, first));
    result.text.append(functionCharacter);
    result.text.append(mnemonic);
    result.text.append(text.substr(last));
    result.caret = first + token;
    return result;
}

CommandEditResult FileReference(std::u16string_view functionCharacter, std::u16string_view path, std::size_t limit) {
    if (functionCharacter.empty()) return Refused(CommandEdit::noFunctionCharacter);
    const std::size_t size = functionCharacter.size() + 1 + path.size();
    if (size > limit) return Refused(CommandEdit::noRoom);
    CommandEditResult result;
    result.text.reserve(size);
    result.text.append(functionCharacter);
    result.text.push_back(u'?');
    result.text.append(path);
    result.caret = size;
    return result;
}

}  // namespace kelno
