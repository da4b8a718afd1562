#include "driverui/docsheet/measure_unit.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace kelno {

namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
// Digits beyond this no longer change a value that is already out of the 32-bit range.
constexpr std::int64_t kSaturated = std::int64_t{1} << 50;

std::int32_t Held(std::int64_t value) { return static_cast<std::int32_t>(std::clamp(value, kInt32Min, kInt32Max)); }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

std::optional<MeasureUnit> MeasureUnitOf(std::uint32_t stored) {
    if (stored > static_cast<std::uint32_t>(MeasureUnit::inch)) return std::nullopt;
    return static_cast<MeasureUnit>(stored);
}

MeasureUnit DisplayUnitOf(std::uint32_t stored) { return MeasureUnitOf(stored).value_or(MeasureUnit::millimetre); }

std::optional<std::uint32_t> UnitNameString(std::uint32_t stored) {
    constexpr std::uint32_t kUnitNames[] = {1948, 1949, 1950};
    const std::optional<MeasureUnit> unit = MeasureUnitOf(stored);
    if (!unit) return std::nullopt;
    return kUnitNames[static_cast<std::uint32_t>(*unit)];
}

std::optional<std::int64_t> ParseThousandths(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    std::int64_t value = 0;  // thousandths
    bool digits = false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        digits = true;
        value = std::min(value * 10 + (text[i] - u'0') * 1000, kSaturated);
    }
    if (i < text.size() && (text[i] == u'.' || text[i] == u',')) {
        ++i;
        std::int64_t place = 100;
        for (; i < text.size() && IsDigit(text[i]); ++i) {
            digits = true;
            value += (text[i] - u'0') * place;  // digits past the thousandths are truncated
            place /= 10;
        }
    }
    if (!digits) return std::nullopt;
    return std::clamp(negative ? -value : value, kInt32Min, kInt32Max);
}

std::int32_t MicrometresFromText(std::u16string_view text, MeasureUnit unit) {
    const std::int64_t thousandths = ParseThousandths(text).value_or(0);
    switch (unit) {
        case MeasureUnit::centimetre: return Held(thousandths * 10);
        case MeasureUnit::inch: return Held(thousandths / 10 * 254);
        default: return Held(thousandths);
    }
}

std::u16string FixedPoint(double value, int decimals) {
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    std::u16string out;
    for (int i = 0; i < n && i < static_cast<int>(sizeof buffer) - 1; ++i)
        out.push_back(static_cast<char16_t>(buffer[i]));
    return out;
}

std::u16string LengthText(std::int64_t micrometres, MeasureUnit unit) {
    const auto value = static_cast<double>(micrometres);
    switch (unit) {
        case MeasureUnit::centimetre: return FixedPoint(value / 10000.0, 2);
        case MeasureUnit::inch: return FixedPoint(value / 1000.0 / 25.4, 2);
        default: return FixedPoint(value / 1000.0, 1);
    }
}

int CountsPerUnit(MeasureUnit unit) { return unit == MeasureUnit::millimetre ? 10 : 100; }

std::int64_t CountOfText(std::u16string_view text, MeasureUnit unit) {
    return ParseThousandths(text).value_or(0) / (1000 / CountsPerUnit(unit));
}

std::u16string CountText(std::int64_t count, MeasureUnit unit) {
    const int per = CountsPerUnit(unit);
    return FixedPoint(static_cast<double>(count) / per, per == 10 ? 1 : 2);
}

std::int64_t ClampCount(std::int64_t count, CountRange range) {
    return std::clamp<std::int64_t>(count, range.lower, std::max(range.lower, range.upper));
}

std::u16string StepLengthText(std::u16string_view text, MeasureUnit unit, std::int32_t delta, CountRange range) {
    return CountText(ClampCount(CountOfText(text, unit) + delta, range), unit);
}

std::u16string StepIntegerText(std::u16string_view text, std::int32_t delta, CountRange range) {
    const std::int64_t value = ClampCount(ParseThousandths(text).value_or(0) / 1000 + delta, range);
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace kelno
