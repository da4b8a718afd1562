#include "discovery/win/win_support.h"

#include <climits>
#include <cstddef>
#include <memory>
#include <new>

namespace kelno {

std::string Utf8(std::u16string_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX / 4)) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, length, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::string AnsiFromU16(std::u16string_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX / 4)) return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, length, out.data(), bytes, nullptr, nullptr);
    return out;
}

std::u16string U16FromAnsi(std::string_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return {};
    const int length = static_cast<int>(text.size());
    const int chars = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (chars <= 0) return {};
    std::u16string out(static_cast<std::size_t>(chars), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, reinterpret_cast<wchar_t*>(out.data()), chars);
    return out;
}

void DevInfoSet::Reset() {
    if (Valid()) SetupDiDestroyDeviceInfoList(set_);
    set_ = INVALID_HANDLE_VALUE;
}

void RegKey::Reset() {
    if (Valid()) RegCloseKey(key_);
    key_ = nullptr;
}

InterfaceDetail::Status InterfaceDetail::Read(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& deviceInterface,
                                              SP_DEVINFO_DATA* device) {
    path_.clear();
    required_ = 0;
    error_ = ERROR_SUCCESS;
    if (!SetupDiGetDeviceInterfaceDetailW(set, &deviceInterface, nullptr, 0, &required_, nullptr)) {
        error_ = GetLastError();
        if (error_ != ERROR_INSUFFICIENT_BUFFER) return Status::sizeQueryFailed;
        error_ = ERROR_SUCCESS;
    }
    constexpr DWORD kHeaderSize = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath);
    constexpr DWORD kMinimumSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) > 8 ? sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) : 8;
    if (required_ < kMinimumSize || required_ > 0x100000) return Status::sizeInvalid;

    // DWORD units keep the record aligned; one unit more leaves the path terminated even when
    // the system did not terminate it.
    const std::size_t units = required_ / sizeof(DWORD) + 2;
    std::unique_ptr<DWORD[]> buffer(new (std::nothrow) DWORD[units]());
    if (!buffer) return Status::allocationFailed;
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.get());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (device) device->cbSize = sizeof(SP_DEVINFO_DATA);
    if (!SetupDiGetDeviceInterfaceDetailW(set, &deviceInterface, detail, required_, nullptr, device)) {
        error_ = GetLastError();
        return Status::readFailed;
    }
    path_ = U16View(detail->DevicePath, (required_ - kHeaderSize) / sizeof(wchar_t));
    return Status::ok;
}

std::optional<std::u16string> ReadRegistryString(HKEY key, const wchar_t* name, std::size_t maxChars, LONG* error) {
    LONG dummy = ERROR_SUCCESS;
    LONG& result = error ? *error : dummy;
    DWORD type = 0;
    DWORD bytes = 0;
    result = RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes);
    if (result != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        result = ERROR_INVALID_DATATYPE;
        return std::nullopt;
    }
    // The stored text may lack its terminator: room for maxChars characters and one more.
    const std::size_t limitBytes = (maxChars + 1) * sizeof(wchar_t);
    if (bytes > limitBytes) {
        result = ERROR_MORE_DATA;
        return std::nullopt;
    }
    const std::size_t units = bytes / sizeof(wchar_t) + 1;
    std::unique_ptr<wchar_t[]> buffer(new (std::nothrow) wchar_t[units]());
    if (!buffer) {
        result = ERROR_NOT_ENOUGH_MEMORY;
        return std::nullopt;
    }
    DWORD read = static_cast<DWORD>(units * sizeof(wchar_t));
    result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.get()), &read);
    if (result != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        result = ERROR_INVALID_DATATYPE;
        return std::nullopt;
    }
    const std::u16string_view text = U16View(buffer.get(), read / sizeof(wchar_t));
    if (text.size() > maxChars) {
        result = ERROR_MORE_DATA;
        return std::nullopt;
    }
    return std::u16string(text);
}

std::optional<DWORD> ReadRegistryDword(HKEY key, const wchar_t* name) {
    DWORD type = 0;
    DWORD value = 0;
    DWORD bytes = sizeof(value);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_DWORD || bytes != sizeof(value)) return std::nullopt;
    return value;
}

}  // namespace kelno
