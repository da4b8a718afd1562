#include "driverui/core/win/caller_memory.h"

#include <algorithm>
#include <cstring>

#include "driverui/core/devmode.h"

namespace kelno {

namespace {

constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                            PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
constexpr DWORD kWritable = PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

std::size_t AccessibleBytesAt(const void* address, std::size_t wanted, DWORD access) {
    if (!address) return 0;
    const auto start = reinterpret_cast<std::uintptr_t>(address);
    std::size_t found = 0;
    while (found < wanted) {
        MEMORY_BASIC_INFORMATION region{};
        const auto at = reinterpret_cast<const void*>(start + found);
        if (VirtualQuery(at, &region, sizeof region) != sizeof region) break;
        if (region.State != MEM_COMMIT || (region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) || !(region.Protect & access))
            break;
        const auto regionEnd = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
        if (regionEnd <= start + found) break;
        found += regionEnd - (start + found);
    }
    return std::min(found, wanted);
}

}  // namespace

std::size_t ReadableBytesAt(const void* address, std::size_t wanted) {
    return AccessibleBytesAt(address, wanted, kReadable);
}

std::size_t WritableBytesAt(void* address, std::size_t wanted) { return AccessibleBytesAt(address, wanted, kWritable); }

std::span<const std::uint8_t> CallerDevmodeBytes(const DEVMODEW* devmode) {
    if (!devmode) return {};
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(devmode);
    const std::size_t header = ReadableBytesAt(bytes, kDevmodeHeaderBytes);
    if (header < kDevmodeHeaderBytes) return {bytes, header};
    std::uint16_t size = 0, extra = 0;
    std::memcpy(&size, bytes + offsetof(PublicDevmode, dmSize), sizeof size);
    std::memcpy(&extra, bytes + offsetof(PublicDevmode, dmDriverExtra), sizeof extra);
    return {bytes, ReadableBytesAt(bytes, std::size_t{size} + extra)};
}

std::span<std::uint8_t> OutputDevmodeArea(DEVMODEW* devmode) {
    if (!devmode) return {};
    auto* bytes = reinterpret_cast<std::uint8_t*>(devmode);
    return {bytes, WritableBytesAt(bytes, kDriverDevmodeSize)};
}

}  // namespace kelno
