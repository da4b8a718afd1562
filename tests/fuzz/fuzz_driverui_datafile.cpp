// Arbitrary bytes as the driver data file: the header check and repairs, then what the driver
// builds from the record (default paper, driver default DEVMODE, capability answers).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "driverui/core/capabilities.h"
#include "driverui/core/devmode.h"
#include "driverui/core/printer_model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::optional<kelno::PrinterModel> model = kelno::PrinterModel::FromDataFile(std::span(data, size));
    if (!model) return 0;
    kelno::DriverDevmode devmode{};
    kelno::BuildDriverDefault(*model, u"", devmode);
    const kelno::CurrentFormRecord form = model->DefaultPaper();
    const std::optional<std::vector<kelno::PaperRecord>> forms = model->Papers();
    const kelno::CapabilityInputs inputs{*model, devmode, form, forms, {}};
    for (std::uint16_t index = 0; index <= 34; ++index) kelno::DeviceCapability(inputs, index);
    return 0;
}
