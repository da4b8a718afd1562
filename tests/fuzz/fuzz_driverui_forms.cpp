// Arbitrary bytes as the printer's "FORMS", "InstalledForm", "PPDataFlags" and "LogFolder"
// values, and the context and capability answers built from them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "driverui/core/capabilities.h"
#include "driverui/core/datafile_header.h"
#include "driverui/core/driver_context.h"
#include "driverui/core/forms.h"
#include "driverui/core/narrow_text.h"
#include "tests/support/model_fixture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> value(data, data + size);  // exact size: ASan sees any overrun
    const std::span<const std::uint8_t> bytes(value);

    const std::vector<kelno::PaperRecord> forms = kelno::NumberFormList(kelno::ParseFormList(bytes));
    const std::u16string_view name = forms.size() > 1 ? kelno::FixedText(forms[1].name) : u"x";
    (void)kelno::FormsAfterDelete(bytes, name);
    const std::optional<kelno::CurrentFormRecord> installed = kelno::ParseInstalledForm(kelno::kRegBinary, bytes);
    (void)kelno::ParseDwordValue(kelno::kRegDword, bytes);
    char16_t folder[kelno::kLogFolderUnits];
    kelno::ParseLogFolder(kelno::kRegSz, bytes, folder);

    kelno::DriverContextState context;
    context.model = kelno::test::PackageModel();
    kelno::ContextSources sources;
    sources.printerName = u"P";
    sources.storedForms = bytes;
    sources.printer.formList = [&forms] { return std::optional(forms); };
    sources.printer.installedForm = [&installed] { return installed; };
    kelno::PrepareContext(context, sources);

    const std::optional<std::vector<kelno::PaperRecord>> list = forms;
    const kelno::CapabilityInputs inputs{context.model, context.devmode, context.currentForm, list, {}};
    for (std::uint16_t index : {kelno::kDcPapers, kelno::kDcPaperSize, kelno::kDcPaperNames, kelno::kDcMediaReady}) {
        std::vector<std::uint8_t> out(kelno::CapabilityOutputBytes(inputs, index));
        kelno::DeviceCapability(inputs, index, {out});
        std::vector<char16_t> spl(64 + size % 200);
        kelno::SplDeviceCapability(inputs, index, spl.data(), spl.size());
    }
    return 0;
}
