#include "driverui/docsheet/print_settings.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "driverui/core/datafile_header.h"
#include "driverui/core/printer_model.h"
#include "resources/driverui/resource_ids.h"

namespace kelno {

namespace {

// Model accessory bits and compression mask bits.
constexpr std::uint32_t kAccessoryCutter = 0x1;
constexpr std::uint32_t kAccessoryPeeler = 0x2;
constexpr std::uint32_t kAccessoryPartialCutter = 0x4;
constexpr std::uint32_t kCompressionZlib = 0x1;
constexpr std::uint32_t kCompressionPosZip = 0x2;

constexpr Choice kOccurrences[] = {
    {IDS_PRINTSET_EVERY_PAGE, {}, kOccurrenceEveryPage},
    {IDS_PRINTSET_OCCURRENCE_AFTER_JOB, {}, kOccurrenceAfterJob},
    {IDS_PRINTSET_EVERY_INTERVAL, {}, kOccurrenceInterval},
};
constexpr Choice kPaperSaving[] = {
    {IDS_PRINTSET_NONE, {}, 0},
    {IDS_PRINTSET_TOP, {}, 1},
    {IDS_PRINTSET_BOTTOM, {}, 2},
    {IDS_PRINTSET_BOTH, {}, 3},
};
constexpr Choice kPrinterSetting[] = {
    {IDS_PRINTSET_USE_DRIVER_SETTINGS, {}, 0},
    {IDS_PRINTSET_USE_PRINTER_SETTING, {}, 1},
};

// Mask bit and DEVMODE value of each language, in list order.
struct LanguageBit {
    std::uint32_t bit;
    std::u16string_view name;
    std::uint32_t value;
};
constexpr LanguageBit kLanguages[] = {
    {0x1, u"ESC/POS", kLanguageEscPos},
    {0x2, u"TSPL", kLanguageTspl},
    {0x4, u"ZPL", kLanguageZpl},
    {0x8, u"QVL", kLanguageQvl},
};

// Decimal digits held beyond any value the page accepts; more digits saturate here.
constexpr std::int64_t kSaturation = 1'000'000'000'000;

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trimmed(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The sign of a number's text: -1 or 1, consuming it.
int TakeSign(std::u16string_view& text) {
    if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
        const int sign = text.front() == u'-' ? -1 : 1;
        text.remove_prefix(1);
        return sign;
    }
    return 1;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

// steps / perUnit with one (perUnit 10) or two (100) decimals, from integers.
std::u16string StepsText(std::int64_t steps, int perUnit) {
    std::string text = steps < 0 ? "-" : "";
    const std::int64_t magnitude = std::llabs(steps);
    text += std::to_string(magnitude / perUnit);
    text += '.';
    std::string fraction = std::to_string(magnitude % perUnit);
    const std::size_t digits = perUnit == 10 ? 1 : 2;
    text += std::string(digits - fraction.size(), '0') + fraction;
    return Ascii(text);
}

// Divides rounding half away from zero.
std::int64_t DivideRounded(std::int64_t value, std::int64_t divisor) {
    const std::int64_t half = divisor / 2;
    return value >= 0 ? (value + half) / divisor : -((-value + half) / divisor);
}

// A whole number typed by the user (blanks around it, a sign); saturated, never overflowing.
std::optional<std::int64_t> WholeNumberOf(std::u16string_view text) {
    text = Trimmed(text);
    const int sign = TakeSign(text);
    if (text.empty() || !std::all_of(text.begin(), text.end(), IsDigit)) return std::nullopt;
    std::int64_t value = 0;
    for (char16_t c : text) value = std::min(value * 10 + (c - u'0'), kSaturation);
    return sign * value;
}

constexpr std::uint32_t kUnitCm = 1;
constexpr std::uint32_t kUnitInch = 2;

}  // namespace

std::vector<Choice> PrintModeChoices(std::uint32_t modelFlags) {
    std::vector<Choice> choices = {{IDS_PRINTSET_USE_PRINTER_SETTING, {}, 0}, {IDS_PRINTSET_THERMAL, {}, 1}};
    if (modelFlags & kModelFlagThermalTransfer) choices.push_back({IDS_PRINTSET_THERMAL_TRANSFER, {}, 2});
    return choices;
}

std::vector<Choice> LanguageChoices(std::uint32_t languageMask) {
    std::vector<Choice> choices;
    for (const LanguageBit& language : kLanguages)
        if (languageMask & language.bit) choices.push_back({0, language.name, language.value});
    return choices;
}

std::vector<Choice> PostActionChoices(std::uint32_t accessories) {
    std::vector<Choice> choices = {{IDS_PRINTSET_NONE, {}, 0}, {IDS_PRINTSET_TEAR_OFF, {}, 1}};
    const auto add = [&](std::uint32_t stringId) {
        choices.push_back({stringId, {}, static_cast<std::uint32_t>(choices.size())});
    };
    if (accessories & kAccessoryPeeler) add(IDS_PRINTSET_PEEL_OFF);
    if (accessories & kAccessoryCutter) add(IDS_PRINTSET_CUT_OFF);
    if (accessories & kAccessoryPartialCutter) add(IDS_PRINTSET_PARTIAL_CUT);
    return choices;
}

std::vector<Choice> CompressionChoices(std::uint32_t compressionMask) {
    std::vector<Choice> choices = {{IDS_PRINTSET_DO_NOT_COMPRESS, {}, 0}};
    if (compressionMask & kCompressionZlib) choices.push_back({IDS_PRINTSET_COMPRESS_ZLIB, {}, 1});
    if (compressionMask & kCompressionPosZip) choices.push_back({IDS_PRINTSET_COMPRESS_POS_ZIP, {}, 2});
    return choices;
}

std::span<const Choice> OccurrenceChoices() { return kOccurrences; }
std::span<const Choice> PaperSavingChoices() { return kPaperSaving; }
std::span<const Choice> PrinterSettingChoices() { return kPrinterSetting; }

std::optional<std::size_t> ChoiceFor(std::span<const Choice> choices, std::uint32_t value) {
    const auto found = std::find_if(choices.begin(), choices.end(), [&](const Choice& c) { return c.value == value; });
    if (found == choices.end()) return std::nullopt;
    return static_cast<std::size_t>(found - choices.begin());
}

PostActionEnabling EnablingFor(std::uint32_t postAction, std::uint32_t occurrence) {
    return {postAction >= 3, occurrence == kOccurrenceInterval};
}

int IntervalShown(std::uint32_t occurrence, std::uint32_t storedInterval) {
    if (occurrence != kOccurrenceInterval) return kIntervalMin;
    return static_cast<int>(std::clamp<std::uint32_t>(storedInterval, kIntervalMin, kIntervalMax));
}

int IntervalOfText(std::u16string_view text, int fallback) { return IntervalStepped(text, 0, fallback); }

int IntervalStepped(std::u16string_view text, int delta, int fallback) {
    const std::int64_t value = WholeNumberOf(text).value_or(fallback) + delta;
    return static_cast<int>(std::clamp<std::int64_t>(value, kIntervalMin, kIntervalMax));
}

std::u16string IntervalText(int interval) { return Ascii(std::to_string(interval)); }

std::optional<std::int64_t> ThousandthsOf(std::u16string_view text) {
    text = Trimmed(text);
    const int sign = TakeSign(text);
    std::int64_t whole = 0;
    std::size_t digits = 0;
    while (!text.empty() && IsDigit(text.front())) {
        whole = std::min(whole * 10 + (text.front() - u'0'), kSaturation);
        text.remove_prefix(1);
        ++digits;
    }
    std::int64_t fraction = 0;
    if (!text.empty() && (text.front() == u'.' || text.front() == u',')) {
        text.remove_prefix(1);
        std::int64_t scale = 100;
        while (!text.empty() && IsDigit(text.front())) {
            fraction += (text.front() - u'0') * scale;
            scale /= 10;
            text.remove_prefix(1);
            ++digits;
        }
    }
    if (digits == 0 || !text.empty()) return std::nullopt;
    return sign * std::min(whole * 1000 + fraction, kSaturation);
}

FeedUnit FeedUnitOf(std::uint32_t measureUnit) {
    if (measureUnit == kUnitCm) return {100, 2540};
    if (measureUnit == kUnitInch) return {100, 1000};
    return {10, 2540};
}

std::u16string FeedOffsetText(std::int32_t micrometres, std::uint32_t measureUnit) {
    // One step: 100 µm (mm, cm) or 254 µm (a hundredth of an inch).
    const std::int64_t stepMicrometres = measureUnit == kUnitInch ? 254 : 100;
    return StepsText(DivideRounded(micrometres, stepMicrometres), FeedUnitOf(measureUnit).stepsPerUnit);
}

std::int32_t FeedOffsetOfText(std::u16string_view text, std::uint32_t measureUnit, std::int32_t fallback) {
    const std::optional<std::int64_t> thousandths = ThousandthsOf(text);
    if (!thousandths) return fallback;
    std::int64_t micrometres = *thousandths;
    if (measureUnit == kUnitCm) micrometres *= 10;
    else if (measureUnit == kUnitInch) micrometres = micrometres / 10 * 254;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(micrometres, -kFeedOffsetLimit, kFeedOffsetLimit));
}

std::u16string FeedOffsetStepped(std::u16string_view text, int delta, std::uint32_t measureUnit,
                                 std::int32_t fallback) {
    const FeedUnit unit = FeedUnitOf(measureUnit);
    const std::optional<std::int64_t> thousandths = ThousandthsOf(text);
    if (!thousandths) return FeedOffsetText(fallback, measureUnit);
    const std::int64_t steps = *thousandths / (1000 / unit.stepsPerUnit) + delta;
    return StepsText(std::clamp<std::int64_t>(steps, -unit.range, unit.range), unit.stepsPerUnit);
}

PrintSettings PrintSettingsOf(const DriverDevmode& devmode) {
    const PrivateDevmode& p = devmode.priv;
    PrintSettings settings;
    settings.printMode = p.printMode;
    settings.language = p.printerLanguage;
    settings.postAction = p.postAction;
    settings.occurrence = p.postActionOccurrence;
    settings.interval = p.postActionInterval;
    settings.paperSaving = p.paperSaving;
    settings.sendPaperSize = p.sendPaperSize;
    settings.sendPaperType = p.sendPaperType;
    settings.feedOffset = static_cast<std::int32_t>(p.postFeed);
    settings.compression = p.compressionMode;
    for (std::size_t slot = 0; slot < kCommandSlotCount; ++slot)
        settings.commands[slot] = std::u16string(CommandText(devmode, slot).substr(0, kCommandTextLimit));
    return settings;
}

void StorePrintSettings(const PrintSettings& settings, DriverDevmode& devmode) {
    PrivateDevmode& p = devmode.priv;
    p.printMode = settings.printMode;
    p.printerLanguage = settings.language;
    p.postAction = settings.postAction;
    p.postActionOccurrence = settings.occurrence;
    p.postActionInterval = settings.interval;
    p.paperSaving = settings.paperSaving;
    p.sendPaperSize = settings.sendPaperSize;
    p.sendPaperType = settings.sendPaperType;
    p.postFeed = static_cast<std::uint32_t>(settings.feedOffset);
    p.compressionMode = settings.compression;
    for (std::size_t slot = 0; slot < kCommandSlotCount; ++slot) {
        const std::u16string_view text(settings.commands[slot]);
        StoreCommandText(devmode, slot, text.substr(0, kCommandTextLimit));
    }
}

bool PrintSettingsDiffer(const PrintSettings& settings, const DriverDevmode& devmode) {
    const PrintSettings stored = PrintSettingsOf(devmode);
    for (std::size_t slot = 0; slot < kCommandSlotCount; ++slot)
        if (settings.commands[slot] != stored.commands[slot]) return true;
    return settings.printMode != stored.printMode || settings.language != stored.language ||
           settings.postAction != stored.postAction || settings.occurrence != stored.occurrence ||
           settings.interval != stored.interval || settings.paperSaving != stored.paperSaving ||
           settings.sendPaperSize != stored.sendPaperSize || settings.sendPaperType != stored.sendPaperType ||
           settings.feedOffset != stored.feedOffset || settings.compression != stored.compression;
}

std::uint32_t EffectFlagsFor(std::uint32_t flags, std::uint32_t language, std::uint32_t previousLanguage) {
    if (language == kLanguageEscPos) return flags | kEffectRotate180;
    if (previousLanguage == kLanguageEscPos) return flags & ~kEffectRotate180;
    return flags;
}

void ApplyPrintSettings(const PrintSettings& settings, DriverDevmode& devmode) {
    const std::uint32_t previousLanguage = devmode.priv.printerLanguage;
    StorePrintSettings(settings, devmode);
    devmode.priv.effectFlags = EffectFlagsFor(devmode.priv.effectFlags, settings.language, previousLanguage);
}

}  // namespace kelno
