#include "usbonestep/inf_version.h"

#include <vector>

#include "base/text.h"

namespace kelno {
namespace {

char16_t LittleEndianUnit(const std::uint8_t* bytes) { return static_cast<char16_t>(bytes[0] | (bytes[1] << 8)); }

// The file's text as UTF-16 units. UTF-8 sequences are not decoded: the section and key names
// and the version are ASCII, and any other byte only has to stay a single unit of its own.
std::u16string Decode(const std::uint8_t* bytes, std::size_t size) {
    std::u16string text;
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        text.reserve((size - 2) / 2);
        for (std::size_t i = 2; i + 1 < size; i += 2) text.push_back(LittleEndianUnit(bytes + i));
        return text;
    }
    std::size_t start = 0;
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) start = 3;
    text.reserve(size - start);
    for (std::size_t i = start; i < size; ++i) text.push_back(static_cast<char16_t>(bytes[i]));
    return text;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\f' || c == u'\v'; }

std::u16string_view Trim(std::u16string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool SameAsciiName(std::u16string_view a, std::u16string_view b) { return AsciiLower(a) == AsciiLower(b); }

// The line up to a ';' that is outside double quotes.
std::u16string_view WithoutComment(std::u16string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == u'"') quoted = !quoted;
        if (line[i] == u';' && !quoted) return line.substr(0, i);
    }
    return line;
}

// The value with the quotes of its quoted parts removed; "" inside quotes is one quote.
std::u16string Unquote(std::u16string_view value) {
    std::u16string out;
    bool quoted = false;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != u'"') {
            out.push_back(value[i]);
        } else if (quoted && i + 1 < value.size() && value[i + 1] == u'"') {
            out.push_back(u'"');
            ++i;
        } else {
            quoted = !quoted;
        }
    }
    return out;
}

}  // namespace

std::optional<std::u16string> InfDriverVer(const std::uint8_t* bytes, std::size_t size, std::size_t maxChars) {
    if (!bytes || size == 0) return std::nullopt;
    const std::u16string text = Decode(bytes, size);
    const std::u16string_view all(text);
    bool inVersion = false;
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t end = all.find(u'\n', start);
        if (end == std::u16string_view::npos) end = all.size();
        const std::u16string_view line = Trim(WithoutComment(all.substr(start, end - start)));
        start = end + 1;
        if (line.empty()) continue;
        if (line.front() == u'[') {
            const std::size_t close = line.find(u']');
            inVersion =
                close != std::u16string_view::npos && SameAsciiName(Trim(line.substr(1, close - 1)), u"Version");
            continue;
        }
        if (!inVersion) continue;
        const std::size_t equals = line.find(u'=');
        if (equals == std::u16string_view::npos || !SameAsciiName(Trim(line.substr(0, equals)), u"DriverVer")) continue;
        std::u16string value = Unquote(Trim(line.substr(equals + 1)));
        if (value.size() > maxChars) value.resize(maxChars);
        return value;
    }
    return std::nullopt;
}

std::u16string FirstRegistryString(const std::uint8_t* bytes, std::size_t size) {
    std::u16string text;
    if (!bytes) return text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const char16_t unit = LittleEndianUnit(bytes + i);
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

}  // namespace kelno
