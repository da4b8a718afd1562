#include "driverui/core/forms.h"

#include <algorithm>
#include <cstring>

#include "driverui/core/narrow_text.h"

namespace kelno {

namespace {

constexpr std::uint32_t kMaxPens = 32;

struct FixedKey {
    const char16_t* name;
    std::uint32_t size;
};
constexpr FixedKey kFixedKeys[] = {
    {u"ColorInfo", 120},     {u"DevPelsDPI", 4},     {u"HTPatternSize", 4},
    {u"InstalledForm", 112}, {u"PtrPropData", 1052}, {u"IndexPenData", 1},
};
static_assert(std::size(kFixedKeys) == kKeyFirstPenData);

}  // namespace

KeyedValue KeyedValueFor(std::uint32_t keyArgument) {
    const std::uint32_t key = keyArgument & 0xFFFF;
    if (key < kKeyFirstPenData) return {kFixedKeys[key].name, kFixedKeys[key].size};
    const std::uint32_t pens = std::min(keyArgument >> 16, kMaxPens);
    std::u16string name = u"PenData";
    for (const char c : std::to_string(key - (kKeyFirstPenData - 1))) name.push_back(static_cast<char16_t>(c));
    return {std::move(name), 2 * pens};
}

bool KeyedValueReadable(std::uint32_t keyArgument, std::uint32_t queryStatus, std::uint32_t reportedSize,
                        std::uint32_t reportedType) {
    return queryStatus == kErrorMoreData && reportedType == kRegBinary &&
           reportedSize == KeyedValueFor(keyArgument).size;
}

std::vector<PaperRecord> ParseFormList(std::span<const std::uint8_t> bytes) {
    std::vector<PaperRecord> papers(bytes.size() / sizeof(PaperRecord));
    for (std::size_t i = 0; i < papers.size(); ++i) {
        std::memcpy(&papers[i], bytes.data() + i * sizeof(PaperRecord), sizeof(PaperRecord));
        papers[i].name[kPaperNameUnits - 1] = 0;
    }
    return papers;
}

std::vector<std::uint8_t> SerializeFormList(const std::vector<PaperRecord>& papers) {
    std::vector<std::uint8_t> bytes(papers.size() * sizeof(PaperRecord));
    if (!papers.empty()) std::memcpy(bytes.data(), papers.data(), bytes.size());
    return bytes;
}

std::vector<PaperRecord> NumberFormList(std::vector<PaperRecord> papers) {
    for (std::size_t i = 0; i < papers.size(); ++i) papers[i].id = static_cast<std::uint32_t>(kUserPaperId + i);
    return papers;
}

std::vector<PaperRecord> FormsToSave(const PrinterModel& model) {
    const std::int64_t minWidth = model.record.model.minLabelWidth;
    const std::int64_t minLength = model.record.model.minLabelLength;
    std::vector<PaperRecord> kept;
    for (const PaperRecord& paper : model.Papers())
        if (paper.width >= minWidth && paper.height >= minLength) kept.push_back(paper);
    return kept;
}

std::optional<std::vector<std::uint8_t>> FormsAfterDelete(std::optional<std::span<const std::uint8_t>> stored,
                                                          std::u16string_view name) {
    if (!stored) return std::nullopt;
    std::vector<std::uint8_t> bytes(stored->begin(), stored->end());
    const std::vector<PaperRecord> papers = ParseFormList(*stored);
    for (std::size_t i = 0; i < papers.size(); ++i) {
        if (FixedText(papers[i].name) == name) {
            const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(i * sizeof(PaperRecord));
            bytes.erase(first, first + sizeof(PaperRecord));
            break;
        }
    }
    return bytes;
}

std::size_t WalkFormList(const std::vector<PaperRecord>& papers, std::size_t limit,
                         const std::function<void(const PaperRecord* paper, std::size_t index)>& visit) {
    std::size_t calls = 0;
    for (std::size_t i = 1; i < papers.size() && calls < limit; ++i, ++calls) visit(&papers[i], i);
    if (calls < limit) {
        visit(nullptr, papers.size());
        ++calls;
    }
    return calls;
}

std::optional<CurrentFormRecord> ParseInstalledForm(std::uint32_t type, std::span<const std::uint8_t> bytes) {
    if (type != kRegBinary || bytes.size() != sizeof(CurrentFormRecord)) return std::nullopt;
    CurrentFormRecord form;
    std::memcpy(&form, bytes.data(), sizeof form);
    form.name[kPaperNameUnits - 1] = 0;
    return form;
}

std::vector<std::uint8_t> SerializeInstalledForm(const CurrentFormRecord& form) {
    std::vector<std::uint8_t> bytes(sizeof form);
    std::memcpy(bytes.data(), &form, sizeof form);
    return bytes;
}

std::optional<std::uint32_t> ParseDwordValue(std::uint32_t type, std::span<const std::uint8_t> bytes) {
    if (type != kRegDword || bytes.size() != sizeof(std::uint32_t)) return std::nullopt;
    std::uint32_t value;
    std::memcpy(&value, bytes.data(), sizeof value);
    return value;
}

bool ParseLogFolder(std::uint32_t type, std::span<const std::uint8_t> bytes, char16_t (&folder)[kLogFolderUnits]) {
    if (type != kRegSz || bytes.size() > sizeof folder) return false;
    char16_t units[kLogFolderUnits] = {};
    if (!bytes.empty()) std::memcpy(units, bytes.data(), bytes.size() / 2 * 2);
    StoreFixedText(folder, FixedText(units, kLogFolderUnits - 1));
    return true;
}

std::vector<std::uint8_t> SerializeLogFolder(std::u16string_view folder) {
    char16_t units[kLogFolderUnits];
    StoreFixedText(units, folder.substr(0, std::min(folder.find(u'\0'), folder.size())));
    const std::size_t length = FixedText(units).size() + 1;
    std::vector<std::uint8_t> bytes(length * sizeof(char16_t));
    std::memcpy(bytes.data(), units, bytes.size());
    return bytes;
}

}  // namespace kelno
