#pragma once
// The detail of a SetupAPI device interface, as the USB and Bluetooth scans read it. The
// generic helpers they use beside it (owners of device information sets and registry keys,
// UTF-16 text, registry reads) are in base/win.
#include <windows.h>
#include <setupapi.h>

#include <string>
#include <string_view>

#include "base/win/wide_text.h"

namespace kelno {

// The detail of one device interface: its device path and, when asked for, its device.
class InterfaceDetail {
public:
    enum class Status { ok, sizeQueryFailed, sizeInvalid, allocationFailed, readFailed };

    // Size query, allocation, read. error() is the system error of a failed query or read.
    Status Read(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& deviceInterface, SP_DEVINFO_DATA* device = nullptr);

    DWORD RequiredSize() const { return required_; }
    DWORD Error() const { return error_; }
    // The path, bounded by the bytes the system returned; "" before a successful read.
    std::u16string_view Path() const { return path_; }
    // The same path, terminated.
    const wchar_t* PathZ() const { return WidePtr(path_.c_str()); }

private:
    DWORD required_ = 0;
    DWORD error_ = ERROR_SUCCESS;
    std::u16string path_;
};

}  // namespace kelno
