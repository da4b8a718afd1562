#pragma once
// The printer-data values of the driver: the label-stock list "FORMS", the loaded stock
// "InstalledForm", the UI settings and the table of keyed binary values. The spooler hands
// these over as untyped bytes; everything here reads them with the size it was given and
// treats a wrong type or size as a missing value.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "driverui/core/paper_record.h"
#include "driverui/core/printer_model.h"

namespace kelno {

// Registry value types and the status of a size query that found a value.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kErrorMoreData = 234;

inline constexpr char16_t kFormsValueName[] = u"FORMS";
inline constexpr char16_t kInstalledFormValueName[] = u"InstalledForm";
inline constexpr char16_t kPrinterDataFlagsValueName[] = u"PPDataFlags";
inline constexpr char16_t kMeasureUnitValueName[] = u"MeasureUnit";
inline constexpr char16_t kLogFolderValueName[] = u"LogFolder";

// "PPDataFlags" bits and the value a context holds until it is read.
inline constexpr std::uint32_t kPrinterDataOtherPapersAllowed = 0x02;
inline constexpr std::uint32_t kPrinterDataStocksLocked = 0x10;
inline constexpr std::uint32_t kPrinterDataFlagsUnread = 6;

inline constexpr std::size_t kLogFolderUnits = 260;

// ---- Keyed binary values -------------------------------------------------------------------

// Key numbers; 6 and above are the pen tables "PenData1", "PenData2", ...
inline constexpr std::uint16_t kKeyColorInfo = 0;
inline constexpr std::uint16_t kKeyDevPelsDpi = 1;
inline constexpr std::uint16_t kKeyHalftonePatternSize = 2;
inline constexpr std::uint16_t kKeyInstalledForm = 3;
inline constexpr std::uint16_t kKeyPrinterPropertyData = 4;
inline constexpr std::uint16_t kKeyIndexPenData = 5;
inline constexpr std::uint16_t kKeyFirstPenData = 6;

struct KeyedValue {
    std::u16string name;
    std::uint32_t size;  // the exact size the value must have
};

// The value name and size of a key argument: the key number in the low 16 bits, and for the
// pen tables the pen count in the high 16 bits.
KeyedValue KeyedValueFor(std::uint32_t keyArgument);

// Whether the answer to the size query (buffer size 0) allows reading the value: the query
// must fail with ERROR_MORE_DATA and report the key's exact size and REG_BINARY.
bool KeyedValueReadable(std::uint32_t keyArgument, std::uint32_t queryStatus, std::uint32_t reportedSize,
                        std::uint32_t reportedType);

// ---- "FORMS" ---------------------------------------------------------------------------------

// The paper records in a "FORMS" value: size / 112 records, any remainder ignored; names that
// arrive unterminated are cut to 31 units.
std::vector<PaperRecord> ParseFormList(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> SerializeFormList(const std::vector<PaperRecord>& papers);

// The printer's list as a model paper list: ids renumbered 256 + index.
std::vector<PaperRecord> NumberFormList(std::vector<PaperRecord> papers);

// The papers printer initialisation stores: the model's list without the papers narrower than
// the minimum label width or shorter than the minimum label length. Empty: store nothing.
std::vector<PaperRecord> FormsToSave(const PrinterModel& model);

// "FORMS" after deleting the first entry named name (exact, case-sensitive), as the bytes to
// write back; the entries behind it move up and the list is rewritten unchanged when the name
// is not there. Nothing when the stored list could not be read.
std::optional<std::vector<std::uint8_t>> FormsAfterDelete(std::optional<std::span<const std::uint8_t>> stored,
                                                          std::u16string_view name);

// Walks a form list the way the list queries report it: entries 1 to count-1 with their
// index, then one call with no entry and index count for "USER". At most limit calls are made;
// returns how many were.
std::size_t WalkFormList(const std::vector<PaperRecord>& papers, std::size_t limit,
                         const std::function<void(const PaperRecord* paper, std::size_t index)>& visit);

// ---- "InstalledForm" -------------------------------------------------------------------------

// The stored current form: REG_BINARY of exactly 112 bytes, else nothing.
std::optional<CurrentFormRecord> ParseInstalledForm(std::uint32_t type, std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> SerializeInstalledForm(const CurrentFormRecord& form);

// ---- UI settings -----------------------------------------------------------------------------

// A REG_DWORD value ("PPDataFlags", "MeasureUnit"): exactly 4 bytes, else nothing.
std::optional<std::uint32_t> ParseDwordValue(std::uint32_t type, std::span<const std::uint8_t> bytes);

// "LogFolder": a REG_SZ of at most 260 units with its terminator, copied into folder and
// terminated. False (folder untouched) for another type or a longer value.
bool ParseLogFolder(std::uint32_t type, std::span<const std::uint8_t> bytes, char16_t (&folder)[kLogFolderUnits]);

// The bytes "LogFolder" is stored as: the text (cut to 259 units) with its terminator.
std::vector<std::uint8_t> SerializeLogFolder(std::u16string_view folder);

}  // namespace kelno
