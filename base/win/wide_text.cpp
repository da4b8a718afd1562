#include "base/win/wide_text.h"

#include <climits>
#include <cwchar>

namespace kelno {
namespace {

std::string Narrow(UINT codePage, std::u16string_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX / 4)) return {};
    const wchar_t* wide = WidePtr(text.data());
    const int length = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(codePage, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, 0, wide, length, out.data(), bytes, nullptr, nullptr);
    return out;
}

}  // namespace

std::string Utf8(std::u16string_view text) { return Narrow(CP_UTF8, text); }

std::string AnsiFromU16(std::u16string_view text) { return Narrow(CP_ACP, text); }

std::u16string U16FromAnsi(std::string_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return {};
    const int length = static_cast<int>(text.size());
    const int chars = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (chars <= 0) return {};
    std::u16string out(static_cast<std::size_t>(chars), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, WidePtr(out.data()), chars);
    return out;
}

const wchar_t* FileNamePart(const wchar_t* path) {
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/') name = p + 1;
    return name;
}

const wchar_t* FileNamePartAfterBackslash(const wchar_t* path) {
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    return slash ? slash + 1 : path;
}

}  // namespace kelno
