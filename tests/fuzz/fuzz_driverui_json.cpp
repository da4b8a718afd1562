// Arbitrary bytes as the model database document, applied for the first shipped model's
// driver name and for a short one; then the paper list goes through everything that reads it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>

#include "driverui/core/capabilities.h"
#include "driverui/core/datafile_header.h"
#include "driverui/core/devmode.h"
#include "driverui/core/forms.h"
#include "driverui/core/printer_model.h"

namespace {

std::optional<kelno::PrinterModel> PackageModel() {
    kelno::DataFileHeader h{};
    std::memcpy(h.signature, kelno::kDataFileSignature, sizeof h.signature);
    h.headerSize = kelno::kDataFileHeaderSize;
    h.maxPrintableWidth = 108000;
    h.maxPrintLength = 2286000;
    h.modelFlags = 0x181;
    h.xResolution = h.xRasterResolution = 203;
    h.maxScale = 400;
    h.qualityCount = 1;
    h.colorInfo = kelno::kDefaultColorInfo;
    std::uint8_t bytes[sizeof h];
    std::memcpy(bytes, &h, sizeof h);
    return kelno::PrinterModel::FromDataFile(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const kelno::StringLookup strings = [](std::uint32_t id) {
        return id % 3 == 0 ? std::u16string() : std::u16string(id % 70, u'r');
    };
    for (const char16_t* driverName : {u"Tavolen MX-410", u"V M"}) {
        std::optional<kelno::PrinterModel> model = PackageModel();
        if (!model) return 0;
        model->LoadJson(std::span(data, size), driverName, strings);
        kelno::DriverDevmode devmode{};
        kelno::BuildDriverDefault(*model, driverName, devmode);
        const kelno::CurrentFormRecord form = model->DefaultPaper();
        (void)kelno::FormsToSave(*model);
        const std::optional<std::vector<kelno::PaperRecord>> forms = model->Papers();
        const kelno::CapabilityInputs inputs{*model, devmode, form, forms, strings};
        std::vector<std::uint8_t> out(kelno::CapabilityOutputBytes(inputs, kelno::kDcPaperNames));
        kelno::DeviceCapability(inputs, kelno::kDcPaperNames, {out});
        kelno::DeviceCapability(inputs, kelno::kDcMaxExtent);
    }
    return 0;
}
