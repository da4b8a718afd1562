// Arbitrary bytes as a caller's DEVMODE, in a buffer of exactly their size: merge, the merge
// decision, copy with sizes, output and the spooler's conversions. dmSize and dmDriverExtra
// may claim anything; nothing may be read or written outside the buffers.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "driverui/core/datafile_header.h"
#include "driverui/core/devmode.h"
#include "driverui/core/driver_context.h"
#include "driverui/core/printer_model.h"
#include "tests/support/model_fixture.h"

namespace {

// The package's model with the anti-wrinkle option and four papers of its own.
kelno::PrinterModel MakeModel() {
    kelno::DataFileHeader header = kelno::test::PackageHeader();
    header.modelFields.antiWrinkleFlag = 1;
    kelno::PrinterModel model = kelno::test::FromHeader(header);
    model.SetPapers(kelno::test::LetteredPapers(4));
    return model;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const kelno::PrinterModel model = MakeModel();
    const std::vector<std::uint8_t> caller(data, data + size);  // exact size: ASan sees any overrun
    const bool formsReadable = size % 2 == 0;

    kelno::PrinterDataSource printer;
    printer.formList = [&]() -> std::optional<std::vector<kelno::PaperRecord>> {
        if (!formsReadable) return std::nullopt;
        return model.Papers();
    };
    printer.installedForm = []() { return std::optional<kelno::CurrentFormRecord>(); };
    printer.driverNameOf = [](std::u16string_view) { return std::optional<std::u16string>(u"MX-300"); };

    kelno::DriverContextState context;
    context.model = model;
    kelno::ContextSources sources;
    sources.printerName = u"P";
    sources.printerDevmode = caller;
    sources.callerDevmode = caller;
    sources.printer = printer;
    kelno::PrepareContext(context, sources);

    std::vector<std::uint8_t> output(size);
    kelno::CopyDevmodeWithSizes(caller, output);
    kelno::CopyDevmodeWithSizes(kelno::DevmodeBytes(context.devmode), output);
    kelno::WriteDevmodeOutput(context.devmode, caller, output);
    for (std::uint32_t mode = 0; mode <= 4; ++mode) {
        std::vector<std::uint8_t> out(caller);
        std::uint32_t room = static_cast<std::uint32_t>(out.size());
        kelno::ConvertDevmode(mode, caller, out, &room);
    }
    return 0;
}
