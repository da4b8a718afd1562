#include "engine/queue_name.h"

namespace kelno {
namespace {

std::u16string Decimal(int n) {
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
        n /= 10;
    } while (n > 0);
    return digits;
}

std::u16string WithSuffix(std::u16string_view base, const std::u16string& suffix) {
    const std::size_t room = kQueueNameCapacity - 1;
    if (base.size() + suffix.size() > room) base = base.substr(0, room > suffix.size() ? room - suffix.size() : 0);
    return std::u16string(base) + suffix;
}

}  // namespace

UniqueQueueNameResult UniqueQueueName(std::u16string_view requested,
                                      const std::function<bool(std::u16string_view)>& isTaken) {
    const std::u16string_view base = requested.substr(0, kRequestedNameLimit);
    std::u16string name(base);
    if (!isTaken(name)) return {name, true};
    for (int n = 1; n <= kLastCopyNumber; ++n) {
        name = WithSuffix(base, u"(Copy " + Decimal(n) + u")");
        if (n == kLastCopyNumber) break;
        if (!isTaken(name)) return {name, true};
    }
    return {name, false};
}

std::u16string UpgradeQueueName(std::u16string_view driverName,
                                const std::function<bool(std::u16string_view)>& isTaken) {
    std::u16string name(driverName.substr(0, kQueueNameCapacity - 1));
    for (int n = 1; isTaken(name) && n < 1000000; ++n) name = WithSuffix(driverName, u" (" + Decimal(n) + u")");
    return name;
}

}  // namespace kelno
