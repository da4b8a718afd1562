// Arbitrary bytes as a caller's DEVMODE and as what a user types into the Print Settings page:
// the settings read from and written back into the DEVMODE, typed numbers in every unit, and
// user-command edits. Nothing may pass a slot or a range.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "driverui/core/devmode.h"
#include "driverui/docsheet/print_settings.h"
#include "driverui/docsheet/user_commands.h"

namespace {

void Require(bool condition) {
    if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelno;
    DriverDevmode devmode{};
    const std::size_t devmodeBytes = std::min(size, sizeof devmode);
    std::memcpy(&devmode, data, devmodeBytes);
    std::u16string typed;
    for (std::size_t i = devmodeBytes; i + 1 < size; i += 2)
        typed.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));

    PrintSettings settings = PrintSettingsOf(devmode);
    for (const std::u16string& command : settings.commands) Require(command.size() <= kCommandTextLimit);
    DriverDevmode applied = devmode;
    ApplyPrintSettings(settings, applied);
    Require(!PrintSettingsDiffer(settings, applied));

    for (std::uint32_t unit : {0u, 1u, 2u, 9u}) {
        const std::int32_t offset = FeedOffsetOfText(typed, unit, 0);
        Require(offset >= -kFeedOffsetLimit && offset <= kFeedOffsetLimit);
        const FeedUnit feed = FeedUnitOf(unit);
        const std::u16string stepped = FeedOffsetStepped(typed, typed.empty() ? 1 : typed[0] % 7 - 3, unit, offset);
        Require(ThousandthsOf(stepped).has_value());
        Require(std::abs(*ThousandthsOf(stepped)) <= 1000LL * feed.range / feed.stepsPerUnit);
        (void)FeedOffsetText(static_cast<std::int32_t>(devmode.priv.postFeed), unit);
    }
    const int interval = IntervalStepped(typed, typed.empty() ? 0 : typed[0] % 3 - 1, 1);
    Require(interval >= kIntervalMin && interval <= kIntervalMax);

    const std::u16string& slot = settings.commands[typed.empty() ? 0 : typed[0] % kCommandSlotCount];
    const std::size_t start = typed.size() > 1 ? typed[1] % 300 : 0;
    const std::size_t end = typed.size() > 2 ? typed[2] % 300 : start;
    const CommandEditResult inserted = InsertControlToken(slot, start, end, u"~", u"<ESC>");
    Require(inserted.outcome != CommandEdit::done || inserted.text.size() <= kCommandTextLimit);
    const CommandEditResult reference = FileReference(u"^", typed);
    Require(reference.outcome != CommandEdit::done || reference.text.size() <= kCommandTextLimit);
    if (inserted.outcome == CommandEdit::done) {
        settings.commands[0] = inserted.text;
        StorePrintSettings(settings, applied);
        Require(CommandText(applied, 0) == inserted.text);
    }
    return 0;
}
