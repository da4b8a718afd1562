#include "driverui/docsheet/page_state.h"

#include <cstring>

#include "driverui/core/narrow_text.h"

namespace kelno {

namespace {

constexpr std::uint16_t At(std::size_t privateOffset) {
    return static_cast<std::uint16_t>(kPublicDevmodeSize + privateOffset);
}

#define KELNO_FIELD(member) \
    EditedField { At(offsetof(PrivateDevmode, member)), sizeof(PrivateDevmode::member) }
#define KELNO_RANGE(first, last)                                                                       \
    EditedField {                                                                                      \
        At(offsetof(PrivateDevmode, first)),                                                           \
            static_cast<std::uint16_t>(offsetof(PrivateDevmode, last) + sizeof(PrivateDevmode::last) - \
                                       offsetof(PrivateDevmode, first))                                \
    }
constexpr std::size_t kColorAdjustment = offsetof(PrivateDevmode, colorAdjustment);

constexpr EditedField kFields[] = {
    KELNO_RANGE(effectFlags, postAction),         // 228-243
    KELNO_RANGE(postActionOccurrence, postFeed),  // 248-259
    KELNO_FIELD(ditherLevel),
    EditedField{At(kColorAdjustment + offsetof(ColorAdjustment, caContrast)), sizeof(std::int16_t)},
    EditedField{At(kColorAdjustment + offsetof(ColorAdjustment, caBrightness)), sizeof(std::int16_t)},
    KELNO_RANGE(printMode, setting300),
    KELNO_FIELD(printSpeed),
    KELNO_FIELD(darkness),
    KELNO_RANGE(watermarkPath, printingScaleMode),  // 2428-2957
    KELNO_FIELD(scaleWidth),
    KELNO_RANGE(lowResolutionEnhance, specialColor),  // 2964-2973
    KELNO_FIELD(antiWrinkleValue),
    KELNO_RANGE(setting3036, setting5172),  // 3036-5175
    KELNO_FIELD(ignoreBlankPages),
    KELNO_RANGE(ditherFamily, setting5192),  // 5184-5195
};
#undef KELNO_RANGE
#undef KELNO_FIELD

const std::uint8_t* Bytes(const DriverDevmode& devmode) { return reinterpret_cast<const std::uint8_t*>(&devmode); }
std::uint8_t* Bytes(DriverDevmode& devmode) { return reinterpret_cast<std::uint8_t*>(&devmode); }

}  // namespace

const std::span<const EditedField> kEditedPrivateFields(kFields);

std::u16string_view StartingStockName(const DriverContextState& context) {
    const std::u16string_view current = FixedText(context.currentForm.name);
    return current.empty() ? FixedText(context.devmode.pub.dmFormName) : current;
}

void LoadPageState(const DriverContextState& context, PageState& state) {
    state = PageState{};
    StoreFixedText(state.stockName, StartingStockName(context));
    state.devmode = context.devmode;
}

void StorePageState(const PageState& state, DriverContextState& context) {
    const std::u16string_view name = FixedText(state.stockName);
    StoreFixedText(context.currentForm.name, name);
    StoreFixedText(context.devmode.pub.dmFormName, name);
    context.devmode.pub.dmOrientation = state.devmode.pub.dmOrientation;
    context.devmode.pub.dmCopies = state.devmode.pub.dmCopies;
    context.devmode.pub.dmFields |= kDmOrientation | kDmCopies;
    for (const EditedField& field : kEditedPrivateFields)
        std::memcpy(Bytes(context.devmode) + field.offset, Bytes(state.devmode) + field.offset, field.size);
}

bool PageStateDiffers(const PageState& state, const DriverContextState& context) {
    if (FixedText(state.stockName) != StartingStockName(context)) return true;
    if (state.devmode.pub.dmOrientation != context.devmode.pub.dmOrientation) return true;
    if (state.devmode.pub.dmCopies != context.devmode.pub.dmCopies) return true;
    for (const EditedField& field : kEditedPrivateFields)
        if (std::memcmp(Bytes(state.devmode) + field.offset, Bytes(context.devmode) + field.offset, field.size) != 0)
            return true;
    return false;
}

bool SettingsLocked(const DriverContextState& context) {
    return (context.printerDataFlags & kPrinterDataStocksLocked) != 0;
}

}  // namespace kelno
