#include "common/model_table.h"

namespace kelno {
namespace {

constexpr ModelRow kModels[] = {
    {u"Tavolen", u"MX-410", 0x7472, u"", 0},
    {u"Tavolen", u"MX-310", 0xB5C1, u"", 0},
    {u"Tavolen", u"MX-420", 0x8672, u"", 0},
    {u"Tavolen", u"MX-430", 0x1473, u"", 0},
};

// Names are compared as the formatting into 100-character buffers leaves them.
constexpr std::size_t kMatchLimit = 99;

std::u16string Limit(std::u16string text) {
    if (text.size() > kMatchLimit) text.resize(kMatchLimit);
    return text;
}

}  // namespace

std::span<const ModelRow> ModelTable() { return kModels; }

const ModelRow* FindModel(const char16_t* text) {
    if (!text) return nullptr;
    return FindModel(std::u16string_view(text));
}

const ModelRow* FindModel(std::u16string_view text) {
    for (const auto& row : kModels) {
        const std::u16string brand(row.brand), model(row.model);
        if (text == Limit(brand + model) || text == Limit(brand + u" " + model)) return &row;
    }
    return nullptr;
}

std::u16string ModelDisplayName(const ModelRow& row) { return std::u16string(row.brand) + u" " + row.model; }

}  // namespace kelno
