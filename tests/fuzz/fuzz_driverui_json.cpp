// Arbitrary bytes as the model database document, applied for the first shipped model's
// driver name and for a short one; then the paper list goes through everything that reads it.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "driverui/core/capabilities.h"
#include "driverui/core/datafile_header.h"
#include "driverui/core/devmode.h"
#include "driverui/core/forms.h"
#include "driverui/core/printer_model.h"
#include "tests/support/model_fixture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const kelno::StringLookup strings = [](std::uint32_t id) {
        return id % 3 == 0 ? std::u16string() : std::u16string(id % 70, u'r');
    };
    for (const char16_t* driverName : {u"Tavolen MX-410", u"V M"}) {
        kelno::PrinterModel model = kelno::test::PackageModel();
        model.LoadJson(std::span(data, size), driverName, strings);
        kelno::DriverDevmode devmode{};
        kelno::BuildDriverDefault(model, driverName, devmode);
        const kelno::CurrentFormRecord form = model.DefaultPaper();
        (void)kelno::FormsToSave(model);
        const std::optional<std::vector<kelno::PaperRecord>> forms = model.Papers();
        const kelno::CapabilityInputs inputs{model, devmode, form, forms, strings};
        std::vector<std::uint8_t> out(kelno::CapabilityOutputBytes(inputs, kelno::kDcPaperNames));
        kelno::DeviceCapability(inputs, kelno::kDcPaperNames, {out});
        kelno::DeviceCapability(inputs, kelno::kDcMaxExtent);
    }
    return 0;
}
