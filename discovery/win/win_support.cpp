#include "discovery/win/win_support.h"

#include <cstddef>
#include <memory>
#include <new>

namespace kelno {

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
    constexpr DWORD kMinimumSize =
        sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) > 8 ? sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) : 8;
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

}  // namespace kelno
