#pragma once
// Choosing a queue name that is not taken yet.
#include <functional>
#include <string>
#include <string_view>

namespace kelno {

inline constexpr std::size_t kQueueNameCapacity = 260;   // units, terminator included
inline constexpr std::size_t kRequestedNameLimit = 255;  // units taken of the requested name
inline constexpr int kLastCopyNumber = 254;

struct UniqueQueueNameResult {
    std::u16string name;
    bool nameFree;  // false when the search gave up at "(Copy 254)" without checking it
};

// The requested name (at most 255 units) when it is free, else "<requested>(Copy n)" for
// n = 1, 2, ... up to the first free one. The candidate numbered 254 is taken unchecked and
// reported as not free. A candidate never exceeds 259 units: the requested part is shortened
// so that the whole "(Copy n)" suffix fits.
UniqueQueueNameResult UniqueQueueName(std::u16string_view requested,
                                      const std::function<bool(std::u16string_view)>& isTaken);

// Upgrade mode: the driver name when free, else "<driver name> (n)" for n = 1, 2, ... (exact
// comparison, no upper bound).
std::u16string UpgradeQueueName(std::u16string_view driverName,
                                const std::function<bool(std::u16string_view)>& isTaken);

}  // namespace kelno
