#include "driverui/core/win/module.h"

#include <algorithm>

#include "base/win/wide_text.h"
#include "driverui/core/model_database.h"
#include "resources/driverui/resource_ids.h"

namespace kelno {

HINSTANCE g_module = nullptr;

std::u16string ResourceString(std::uint32_t id) {
    // With a buffer size of 0 LoadStringW hands out the resource's own read-only text.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(g_module, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text) return {};
    return std::u16string(U16Ptr(text), static_cast<std::size_t>(length));
}

std::wstring ResourceWString(std::uint32_t id) {
    const std::u16string text = ResourceString(id);
    return std::wstring(text.begin(), text.end());
}

StringLookup ResourceStrings() {
    return [](std::uint32_t id) { return ResourceString(id); };
}

std::span<const std::uint8_t> ModelDatabaseDocument() {
    HRSRC resource = FindResourceW(g_module, MAKEINTRESOURCEW(IDR_MODEL_DATABASE), WidePtr(kModelDatabaseResourceType));
    if (!resource) return {};
    const DWORD size = SizeofResource(g_module, resource);
    HGLOBAL loaded = LoadResource(g_module, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || size == 0) return {};
    return {static_cast<const std::uint8_t*>(bytes), size};
}

void DebugLine(std::u16string_view line) {
    wchar_t buffer[768];
    const std::size_t units = std::min(line.size(), std::size(buffer) - 2);
    std::copy_n(line.begin(), units, buffer);
    std::size_t end = units;
    if (end == 0 || buffer[end - 1] != L'\n') buffer[end++] = L'\n';
    buffer[end] = L'\0';
    OutputDebugStringW(buffer);
}

}  // namespace kelno
