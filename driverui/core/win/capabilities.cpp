// DrvDeviceCapabilities and DrvSplDeviceCaps: a driver context for the printer and the given
// DEVMODE, and the portable core's answer.
#include "driverui/core/capabilities.h"
#include "driverui/core/win/caller_memory.h"
#include "driverui/core/win/context.h"
#include "driverui/core/win/entry_points.h"
#include "driverui/core/win/module.h"

namespace kelno {

namespace {

std::unique_ptr<DriverContext> CapabilityContext(HANDLE printer, const wchar_t* deviceName, WORD index,
                                                 const DEVMODEW* devmode) {
    return CreateContext(printer, deviceName, devmode, nullptr, index == kDcMediaReady ? kContextForEvents : 0);
}

// The form list of the answer: the printer's "FORMS" as read while the context was built.
std::optional<std::vector<PaperRecord>> FormListOf(const DriverContext& context) {
    if (!context.storedForms) return std::nullopt;
    return ParseFormList(*context.storedForms);
}

DWORD AsCapabilityResult(std::int32_t answer) { return static_cast<DWORD>(answer); }

}  // namespace

DWORD DeviceCapabilities(HANDLE printer, const wchar_t* deviceName, WORD index, void* output, const DEVMODEW* devmode) {
    std::unique_ptr<DriverContext> context = CapabilityContext(printer, deviceName, index, devmode);
    if (!context) return AsCapabilityResult(kGdiError);
    const std::optional<std::vector<PaperRecord>> forms = FormListOf(*context);
    const CapabilityInputs inputs{context->state.model, context->state.devmode, context->state.currentForm, forms,
                                  ResourceStrings()};
    CapabilityOutput out;
    if (output) {
        // No size comes with the buffer: it holds what the count query announced, which is
        // exactly what the full answer writes.
        auto* bytes = static_cast<std::uint8_t*>(output);
        out.bytes = {bytes, WritableBytesAt(bytes, CapabilityOutputBytes(inputs, index))};
    }
    return AsCapabilityResult(DeviceCapability(inputs, index, out));
}

DWORD SplDeviceCapabilities(HANDLE printer, const wchar_t* deviceName, WORD index, void* output, DWORD outputUnits,
                            const DEVMODEW* devmode) {
    if (index != kDcPaperNames && index != kDcMediaReady) return AsCapabilityResult(kGdiError);
    std::unique_ptr<DriverContext> context = CapabilityContext(printer, deviceName, index, devmode);
    if (!context) return AsCapabilityResult(kGdiError);
    const std::optional<std::vector<PaperRecord>> forms = FormListOf(*context);
    const CapabilityInputs inputs{context->state.model, context->state.devmode, context->state.currentForm, forms,
                                  ResourceStrings()};
    std::size_t units = outputUnits;
    if (output) units = WritableBytesAt(output, std::size_t{outputUnits} * sizeof(char16_t)) / sizeof(char16_t);
    return AsCapabilityResult(SplDeviceCapability(inputs, index, static_cast<char16_t*>(output), units));
}

}  // namespace kelno
