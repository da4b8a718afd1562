// Arbitrary bytes as a caller's DEVMODE, in a buffer of exactly their size: merge, the merge
// decision, copy with sizes, output and the spooler's conversions. dmSize and dmDriverExtra
// may claim anything; nothing may be read or written outside the buffers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "driverui/core/datafile_header.h"
#include "driverui/core/devmode.h"
#include "driverui/core/driver_context.h"
#include "driverui/core/printer_model.h"

namespace {

kelno::PrinterModel MakeModel() {
    kelno::DataFileHeader h{};
    std::memcpy(h.signature, kelno::kDataFileSignature, sizeof h.signature);
    h.headerSize = kelno::kDataFileHeaderSize;
    h.maxPrintableWidth = 108000;
    h.maxPrintLength = 2286000;
    h.modelFlags = 0x181;
    h.xResolution = h.xRasterResolution = 203;
    h.maxScale = 400;
    h.maxCopies = 999;
    h.qualityCount = 1;
    h.colorInfo = kelno::kDefaultColorInfo;
    h.modelFields.antiWrinkleFlag = 1;
    std::uint8_t bytes[sizeof h];
    std::memcpy(bytes, &h, sizeof h);
    kelno::PrinterModel model = *kelno::PrinterModel::FromDataFile(bytes);
    std::vector<kelno::PaperRecord> papers(4);
    for (std::size_t i = 0; i < papers.size(); ++i) {
        papers[i].id = static_cast<std::uint32_t>(256 + i);
        papers[i].width = 50000 + 10000 * static_cast<std::int32_t>(i);
        papers[i].height = 30000;
        papers[i].flags = kelno::kBuiltInPaperFlag | 0x11;
        papers[i].name[0] = static_cast<char16_t>(u'A' + i);
    }
    model.SetPapers(papers);
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
