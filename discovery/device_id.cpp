#include "discovery/device_id.h"

namespace kelno {
namespace {

DeviceIdValue ValueOf(std::string_view text, std::string_view key) {
    DeviceIdValue value{};
    const std::size_t at = text.find(key);
    if (at == std::string_view::npos) return value;
    const std::size_t start = at + key.size();
    const std::size_t end = text.find(';', start);
    if (end == std::string_view::npos) return value;
    const std::string_view found = text.substr(start, end - start);
    const std::size_t kept = found.size() < kDeviceIdValueCapacity ? found.size() : kDeviceIdValueCapacity - 1;
    for (std::size_t i = 0; i < kept; ++i) value.text[i] = found[i];
    value.text[kept] = '\0';
    value.found = true;
    value.truncated = kept != found.size();
    return value;
}

}  // namespace

std::string_view DeviceIdValue::View() const {
    std::size_t n = 0;
    while (n < kDeviceIdValueCapacity && text[n] != '\0') ++n;
    return std::string_view(text, n);
}

DeviceIdValues ParseDeviceId(const std::uint8_t* data, std::size_t size) {
    DeviceIdValues values{};
    if (!data) return values;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    values.model = ValueOf(text, "MDL:");
    values.command = ValueOf(text, "CMD:");
    return values;
}

std::u16string_view ModelVariantText(const DeviceIdValues& values) {
    if (values.command.found && !values.command.truncated && values.command.View() == "QVL") return u"Quillon MX-362_";
    return u"Quillon MX-362";
}

}  // namespace kelno
