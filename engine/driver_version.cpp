#include "engine/driver_version.h"

#include <limits>

namespace kelno {
namespace {

// One "%d" conversion: optional blanks, optional sign, at least one digit. Values beyond the
// range of int are refused rather than wrapped.
bool ReadInt(std::string_view text, std::size_t& pos, int& value) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    const std::size_t start = pos;
    long long v = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        v = v * 10 + (text[pos] - '0');
        if (v > static_cast<long long>(std::numeric_limits<int>::max()) + 1) return false;
        ++pos;
    }
    if (pos == start) return false;
    v = negative ? -v : v;
    if (v > std::numeric_limits<int>::max() || v < std::numeric_limits<int>::min()) return false;
    value = static_cast<int>(v);
    return true;
}

}  // namespace

std::optional<DriverVersionParts> ParseDriverVersionString(std::string_view text) {
    int n[4];
    std::size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != '.') return std::nullopt;
            ++pos;
        }
        if (!ReadInt(text, pos, n[i])) return std::nullopt;
    }
    return DriverVersionParts{n[0], n[1], n[2], n[3]};
}

std::uint64_t DriverVersionValue(const DriverVersionParts& p) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(p.a)) << 48) |
           (static_cast<std::uint64_t>(static_cast<std::uint32_t>(p.b)) << 32) |
           (static_cast<std::uint64_t>(static_cast<std::uint32_t>(p.c)) << 16) |
           (static_cast<std::uint64_t>(static_cast<std::uint32_t>(p.d)) & 0xFF);
}

DriverVersionQuarters SplitDriverVersion(std::uint64_t value) {
    return {{static_cast<std::uint16_t>(value >> 48), static_cast<std::uint16_t>(value >> 32),
             static_cast<std::uint16_t>(value >> 16), static_cast<std::uint16_t>(value)}};
}

}  // namespace kelno
