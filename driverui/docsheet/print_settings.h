#pragma once
// The rules of the Print Settings page, apart from its window: the entries each drop-down offers
// for a model, the post-action enabling rule, the feed offset in the measure unit, the interval,
// the ESC/POS bit of the effect flags, and the settings the page reads from and writes into the
// DEVMODE (exactly those, nothing else).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "driverui/core/devmode.h"
#include "driverui/docsheet/user_commands.h"

namespace kelno {

// Printer languages as the DEVMODE stores them.
inline constexpr std::uint32_t kLanguageQvl = 0;
inline constexpr std::uint32_t kLanguageEscPos = 1;
inline constexpr std::uint32_t kLanguageTspl = 2;
inline constexpr std::uint32_t kLanguageZpl = 3;
// Effect-flag bit set for ESC/POS jobs (the render DLL turns their pages by 180 degrees).
inline constexpr std::uint32_t kEffectRotate180 = 0x80;

// One drop-down entry: its text (a string resource, or a fixed text when stringId is 0) and the
// value it stands for (the item data, or the entry's position where the list stores positions).
struct Choice {
    std::uint32_t stringId = 0;
    std::u16string_view text;
    std::uint32_t value = 0;
};

// "Print Mode:": printer setting, thermal, and thermal transfer when the model has it.
std::vector<Choice> PrintModeChoices(std::uint32_t modelFlags);
// "Print Language:": the languages of the model's mask, ESC/POS, TSPL, ZPL, QVL in that order.
std::vector<Choice> LanguageChoices(std::uint32_t languageMask);
// "Post Action:": none, tear off, then peel off, cut off and partial cut as the model's
// accessories allow. The DEVMODE keeps the entry's position.
std::vector<Choice> PostActionChoices(std::uint32_t accessories);
// "ZIP Method:": no compression, and zlib and pos zip by the model's compression mask.
std::vector<Choice> CompressionChoices(std::uint32_t compressionMask);
// The lists that are the same for every model.
std::span<const Choice> OccurrenceChoices();
std::span<const Choice> PaperSavingChoices();
std::span<const Choice> PrinterSettingChoices();  // "Paper Size:" and "Paper Type:"

// The entry whose value is value; nothing when no entry has it.
std::optional<std::size_t> ChoiceFor(std::span<const Choice> choices, std::uint32_t value);

// Occurrences of the post action.
inline constexpr std::uint32_t kOccurrenceEveryPage = 0;
inline constexpr std::uint32_t kOccurrenceAfterJob = 1;
inline constexpr std::uint32_t kOccurrenceInterval = 2;

// The enabling rule: the occurrence is offered from post-action entry 3 on; the interval only
// for "After Specified Interval".
struct PostActionEnabling {
    bool occurrence;
    bool interval;
};
PostActionEnabling EnablingFor(std::uint32_t postAction, std::uint32_t occurrence);

// The interval in pages: 1 to 999.
inline constexpr int kIntervalMin = 1;
inline constexpr int kIntervalMax = 999;
// The interval the box shows: the stored one (held to the range) for "After Specified
// Interval", 1 otherwise.
int IntervalShown(std::uint32_t occurrence, std::uint32_t storedInterval);
// The interval a text stands for, held to the range; fallback when it is not a whole number.
int IntervalOfText(std::u16string_view text, int fallback);
// The interval after an arrow moved it by delta pages, held to the range.
int IntervalStepped(std::u16string_view text, int delta, int fallback);
std::u16string IntervalText(int interval);

// A decimal typed by the user in thousandths (blanks around it, a sign, "." or "," as the
// decimal point; digits beyond the third decimal are dropped). Nothing when the text is not a
// number. Values beyond the range of a feed offset are held far outside it, never overflow.
std::optional<std::int64_t> ThousandthsOf(std::u16string_view text);

// The feed offset in the measure unit (0 mm, 1 cm, 2 inch; any other unit is shown in mm): the
// up-down counts tenths of a millimetre, or hundredths of a centimetre or an inch.
struct FeedUnit {
    int stepsPerUnit;  // 10 or 100
    int range;         // the up-down range is -range to range
};
FeedUnit FeedUnitOf(std::uint32_t measureUnit);
// The longest offset either way: 254 mm (10 inches).
inline constexpr std::int32_t kFeedOffsetLimit = 254000;
// The text of a stored offset (µm): "%.1f" mm, "%.2f" cm or inch.
std::u16string FeedOffsetText(std::int32_t micrometres, std::uint32_t measureUnit);
// The offset (µm) a text stands for: the value in thousandths of the unit, then cm x 10 or
// inch / 10 (truncated) x 254, held to the limit. fallback when the text is not a number.
std::int32_t FeedOffsetOfText(std::u16string_view text, std::uint32_t measureUnit, std::int32_t fallback);
// The text after the focus left the box or an arrow moved it by delta steps: the value in
// steps, held to the up-down range. A text that is not a number shows fallback (µm) again.
std::u16string FeedOffsetStepped(std::u16string_view text, int delta, std::uint32_t measureUnit, std::int32_t fallback);

// The settings the page edits.
struct PrintSettings {
    std::uint32_t printMode = 0;
    std::uint32_t language = 0;
    std::uint32_t postAction = 0;
    std::uint32_t occurrence = 0;
    std::uint32_t interval = 1;
    std::uint32_t paperSaving = 0;
    std::uint8_t sendPaperSize = 0;
    std::uint8_t sendPaperType = 0;
    std::int32_t feedOffset = 0;  // µm
    std::uint32_t compression = 0;
    std::u16string commands[kCommandSlotCount];
};
PrintSettings PrintSettingsOf(const DriverDevmode& devmode);
// Writes the settings into the fields they come from; the units behind each command's
// terminator stay as they were.
void StorePrintSettings(const PrintSettings& settings, DriverDevmode& devmode);
// True when a setting differs from the DEVMODE.
bool PrintSettingsDiffer(const PrintSettings& settings, const DriverDevmode& devmode);

// The effect flags after Apply: the rotate bit is set for ESC/POS. For another language it is
// cleared when the DEVMODE was for ESC/POS (the bit was the ESC/POS one); otherwise it is the
// user's "180" print direction and stays.
std::uint32_t EffectFlagsFor(std::uint32_t flags, std::uint32_t language, std::uint32_t previousLanguage);

// Apply: the settings and the effect flags' rotate bit into the DEVMODE.
void ApplyPrintSettings(const PrintSettings& settings, DriverDevmode& devmode);

}  // namespace kelno
