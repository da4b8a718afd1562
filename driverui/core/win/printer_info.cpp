#include "driverui/core/win/printer_info.h"

#include <winspool.h>

#include "driverui/core/devmode.h"

namespace kelno {

namespace {

// Most answers fit a buffer of this size, which saves the size query: a spooler call costs a
// round trip to the spooler. A larger answer is read again with the size the spooler reports.
constexpr DWORD kFirstBufferSize = 4096;
// PRINTER_INFO_2 also carries the printer's DEVMODE, for this driver's printers the 5196-byte
// driver DEVMODE: without room for it every level-2 read would be a failed call and a second one.
constexpr DWORD kFirstPrinterInfo2Size = kFirstBufferSize + static_cast<DWORD>(kDriverDevmodeSize);

template <typename Query>
std::optional<std::vector<std::uint8_t>> SizedQuery(DWORD firstSize, Query query) {
    std::vector<std::uint8_t> buffer(firstSize);
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD needed = 0;
        if (query(buffer.data(), static_cast<DWORD>(buffer.size()), &needed)) return buffer;
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= buffer.size()) return std::nullopt;
        buffer.assign(needed, 0);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> QueryPrinter(HANDLE printer, DWORD level) {
    if (!printer) return std::nullopt;
    return SizedQuery(
        level == 2 ? kFirstPrinterInfo2Size : kFirstBufferSize,
        [&](BYTE* buffer, DWORD size, DWORD* needed) { return GetPrinterW(printer, level, buffer, size, needed); });
}

std::optional<std::vector<std::uint8_t>> QueryPrinterDriver(HANDLE printer, DWORD level) {
    if (!printer) return std::nullopt;
    return SizedQuery(kFirstBufferSize, [&](BYTE* buffer, DWORD size, DWORD* needed) {
        return GetPrinterDriverW(printer, nullptr, level, buffer, size, needed);
    });
}

ScopedPrinter OpenPrinterByName(const wchar_t* name, bool allAccess) {
    if (!name || !*name) return {};
    PRINTER_DEFAULTSW defaults{nullptr, nullptr,
                               static_cast<ACCESS_MASK>(allAccess ? PRINTER_ALL_ACCESS : PRINTER_ACCESS_USE)};
    HANDLE handle = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(name), &handle, &defaults)) return {};
    return ScopedPrinter(handle);
}

std::optional<std::wstring> DriverNameOfPrinter(const wchar_t* name) {
    ScopedPrinter printer = OpenPrinterByName(name, false);
    if (!printer) return std::nullopt;
    std::optional<std::vector<std::uint8_t>> info = QueryPrinter(printer.get(), 2);
    if (!info) return std::nullopt;
    const auto* level2 = reinterpret_cast<const PRINTER_INFO_2W*>(info->data());
    if (!level2->pDriverName) return std::nullopt;
    return std::wstring(level2->pDriverName);
}

}  // namespace kelno
