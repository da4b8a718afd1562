#include "driverui/core/driver_context.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "driverui/core/narrow_text.h"

namespace kelno {

namespace {

std::int16_t TenthsTruncated(std::int64_t micrometres) {
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(
        micrometres / 100, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

// The caller's public fields as recognised (the bytes it lacks read as the context's).
std::optional<PublicDevmode> CallerPublicPart(std::span<const std::uint8_t> caller, const PublicDevmode& base) {
    const std::optional<DevmodeSizes> sizes = RecogniseDevmode(caller);
    if (!sizes) return std::nullopt;
    PublicDevmode pub = base;
    std::memcpy(&pub, caller.data(), std::min<std::size_t>(sizes->size, sizeof pub));
    return pub;
}

}  // namespace

void PrepareContext(DriverContextState& context, const ContextSources& sources) {
    if (sources.storedForms) {
        std::vector<PaperRecord> forms = ParseFormList(*sources.storedForms);
        if (!forms.empty()) context.model.SetPapers(NumberFormList(std::move(forms)));
    }

    BuildDriverDefault(context.model, sources.printerName, context.devmode);
    if (!sources.printerDevmode.empty())
        context.mergeMask = MergeDevmode(context.model, sources.printer, sources.printerDevmode, context.devmode);
    if (!sources.callerDevmode.empty() && CallerDevmodeIsMerged(sources.callerDevmode))
        context.mergeMask = MergeDevmode(context.model, sources.printer, sources.callerDevmode, context.devmode);

    std::optional<CurrentFormRecord> installed =
        sources.printer.installedForm ? sources.printer.installedForm() : std::nullopt;
    context.currentForm = installed ? *installed : context.model.DefaultPaper();

    // A caller's DEVMODE names the paper of the job: its own size, or a paper of the list.
    if (const std::optional<PublicDevmode> caller = CallerPublicPart(sources.callerDevmode, context.devmode.pub)) {
        CurrentFormRecord& form = context.currentForm;
        const std::vector<PaperRecord>& papers = context.model.Papers();
        const int index = caller->dmPaperSize - static_cast<int>(kUserPaperId);
        if (caller->dmPaperSize < 257 || !(caller->dmFields & kDmPaperSize)) {
            form.width = caller->dmPaperWidth * 100;
            form.height = caller->dmPaperLength * 100;
            form.left = form.top = 0;
            form.right = form.width;
            form.bottom = form.height;
        } else if (index >= 0 && static_cast<std::size_t>(index) < papers.size()) {
            form = CurrentFormFromPaper(papers[index]);
        }
    }

    context.devmode.pub.dmPaperWidth =
        TenthsTruncated(std::int64_t{context.currentForm.right} - context.currentForm.left);
    context.devmode.pub.dmPaperLength =
        TenthsTruncated(std::int64_t{context.currentForm.bottom} - context.currentForm.top);
}

}  // namespace kelno
