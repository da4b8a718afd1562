#pragma once
// The paper check of DevQueryPrintEx: can a job's DEVMODE print on the paper of a driver
// context built with that DEVMODE? The current form is then the job's own custom size or list
// paper, and the paper loaded in the printer only when the job names neither.
#include <cstdint>

#include "driverui/core/devmode.h"
#include "driverui/core/paper_record.h"

namespace kelno {

inline constexpr std::uint32_t kJobAccepted = 0;
inline constexpr std::uint32_t kJobMemoryFailure = 1902;    // "Memory allocation failed."
inline constexpr std::uint32_t kJobInvalidData = 1903;      // "Invalid data passed to the printer driver."
inline constexpr std::uint32_t kJobPaperOutOfRange = 1904;  // "The paper size is out of range supported by printer."
inline constexpr std::uint32_t kJobPaperNotLoaded = 1914;   // "The selected paper has not been loaded."

// The string id of the reason the job cannot print, or kJobAccepted. job is the job's public
// DEVMODE, mergeMask the context's last merge mask, printerDataFlags its "PPDataFlags".
// A current form without height takes the model's maximum print length as its height.
std::uint32_t CheckJobPaper(const PublicDevmode& job, std::uint32_t mergeMask, CurrentFormRecord& currentForm,
                            std::uint32_t maxPrintLength, std::uint32_t printerDataFlags);

// The error text format of a reason: "<%s> %!" (form name, message) for the two paper
// reasons, "%!" (message) for the others.
bool JobErrorNamesForm(std::uint32_t errorId);

}  // namespace kelno
