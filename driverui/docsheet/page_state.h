#pragma once
// The page state of the printing-preferences sheet: the working copy that all its pages edit.
// It holds the label-stock name and a copy of the context DEVMODE; only the fields the pages
// edit (kEditedPrivateFields and the public ones below) are written back on Apply and compared
// for change tracking, every other byte of the copy is ignored.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "driverui/core/devmode.h"
#include "driverui/core/driver_context.h"

namespace kelno {

struct PageState {
    char16_t stockName[32] = {};  // the label stock in use
    DriverDevmode devmode{};      // working copy; pages edit the fields written back below
};

// A run of bytes of the private DEVMODE that the pages edit, by offset from the start of the
// whole DEVMODE.
struct EditedField {
    std::uint16_t offset;
    std::uint16_t size;
};
// The private fields the pages edit: effects and offsets, the post-print action, dither level,
// contrast and brightness (not the rest of the colour adjustment), print mode, speed and
// darkness, the watermark, the scale, the graphics options, and the settings the Print
// Settings page carries.
extern const std::span<const EditedField> kEditedPrivateFields;

// The stock name a sheet starts with: the context's current form, or dmFormName when the
// current form has no name.
std::u16string_view StartingStockName(const DriverContextState& context);

// Fills the state from the context (current form and DEVMODE).
void LoadPageState(const DriverContextState& context, PageState& state);

// Writes the state into the context: the current form's name and dmFormName := stock name,
// dmOrientation, dmCopies (with DM_ORIENTATION and DM_COPIES in dmFields) and every edited
// private field.
void StorePageState(const PageState& state, DriverContextState& context);

// True when an edited field of the state differs from the context (the stock name is
// compared with the name the sheet would start with).
bool PageStateDiffers(const PageState& state, const DriverContextState& context);

// Whether the printer's driver settings are locked ("PPDataFlags" bit 4, "Lock driver
// settings" of the printer properties): the pages then leave the label stocks alone.
bool SettingsLocked(const DriverContextState& context);

}  // namespace kelno
