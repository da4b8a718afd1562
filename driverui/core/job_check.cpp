#include "driverui/core/job_check.h"

#include <algorithm>
#include <utility>

#include "driverui/core/forms.h"
#include "driverui/core/narrow_text.h"

namespace kelno {

std::uint32_t CheckJobPaper(const PublicDevmode& job, std::uint32_t mergeMask, CurrentFormRecord& currentForm,
                            std::uint32_t maxPrintLength, std::uint32_t printerDataFlags) {
    // A paper request the merge could not resolve cannot be on the printer.
    if (mergeMask & kDmPaperBits) return kJobPaperNotLoaded;

    if ((job.dmFields & kDmFormName) && FixedText(currentForm.name) == FixedText(job.dmFormName)) return kJobAccepted;

    const bool otherPapersAllowed = (printerDataFlags & kPrinterDataOtherPapersAllowed) != 0;
    const std::uint32_t sizeBits = kDmPaperSize | kDmPaperLength | kDmPaperWidth;
    const bool customSize = (job.dmFields & sizeBits) == sizeBits && job.dmPaperSize == kUserPaperId;
    const bool formHasHeight = currentForm.height != 0;
    if (formHasHeight && !customSize && !otherPapersAllowed) return kJobPaperNotLoaded;

    // The job's printable area against the form, upright or turned (64-bit: no overflow).
    const std::int64_t jobWidth = std::int64_t{job.dmPaperWidth} * 100;
    const std::int64_t jobLength = std::int64_t{job.dmPaperLength} * 100;
    if (!formHasHeight)
        currentForm.height = static_cast<std::int32_t>(std::min<std::uint32_t>(maxPrintLength, INT32_MAX));
    const std::int64_t formWidth = currentForm.width;
    const std::int64_t formHeight = currentForm.height;
    std::int64_t width = jobWidth, length = jobLength;
    if (formWidth < jobWidth || formHeight < jobLength) std::swap(width, length);
    if (formWidth < width || formHeight < length) return kJobPaperOutOfRange;

    if (formHasHeight && !otherPapersAllowed && (formWidth > width || formHeight > length)) return kJobPaperNotLoaded;
    return kJobAccepted;
}

bool JobErrorNamesForm(std::uint32_t errorId) {
    return errorId == kJobPaperNotLoaded || errorId == kJobPaperOutOfRange;
}

}  // namespace kelno
