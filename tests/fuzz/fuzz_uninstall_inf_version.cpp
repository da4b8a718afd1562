// Driver-store INF files and registry values as the uninstaller reads them: whatever the bytes,
// the version stays within its bound and the registry string within the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "usbonestep/inf_version.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kMax = 49;
    const auto version = kelno::InfDriverVer(data, size, kMax);
    if (version && version->size() > kMax) std::abort();
    const std::u16string first = kelno::FirstRegistryString(data, size);
    if (first.size() > size / 2) std::abort();
    for (char16_t c : first)
        if (c == 0) std::abort();
    return 0;
}
