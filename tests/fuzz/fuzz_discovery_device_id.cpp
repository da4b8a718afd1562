// IEEE 1284 device identification answers as a printer might return them: values are bounded
// by their buffers whatever the text holds, and only a whole "QVL" picks the variant.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "discovery/device_id.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const kelno::DeviceIdValues values = kelno::ParseDeviceId(data, size);
    for (const auto* value : {&values.model, &values.command}) {
        if (value->View().size() >= kelno::kDeviceIdValueCapacity) std::abort();
        if (!value->found && (!value->View().empty() || value->truncated)) std::abort();
    }
    const auto text = kelno::ModelVariantText(values);
    if ((text == u"Quillon MX-362_") != (values.command.View() == "QVL" && !values.command.truncated)) std::abort();
    return 0;
}
