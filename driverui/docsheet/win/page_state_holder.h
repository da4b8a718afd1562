#pragma once
// The page state of the printing-preferences sheet, one per process: the pages of an open
// sheet share it. The first page of a sheet to open fills it from that sheet's driver context;
// it belongs to that context until its page is destroyed. A page of another sheet opened in the
// same process meanwhile takes it over (filled again from its own context), and the pages of the
// first sheet then find no state for their context: they edit nothing and never write one
// printer's settings into another's DEVMODE.
#include <windows.h>

#include "driverui/core/win/context.h"
#include "driverui/docsheet/page_state.h"

namespace kelno {

// The state for a context's sheet, filled from the context when it belonged to no sheet or to
// another one.
PageState& OpenPageState(DriverContext& context);

// The state for a context's sheet filled again from the context, whoever it belonged to: the
// Page Setup page starts every sheet with the context's values. The set-up flag is cleared.
PageState& ReloadPageState(DriverContext& context);

// The set-up flag of the state: set once the first page has filled its controls, so that the
// notifications raised while they are filled do not count as the user's changes. False when
// the state does not belong to the context.
bool PageStateSetUp(const DriverContext& context);
void MarkPageStateSetUp(const DriverContext& context);

// The state when it belongs to the context, else nothing.
PageState* PageStateOf(const DriverContext& context);

// Releases the state when it belongs to the context (the page that opened it is destroyed).
void ClosePageState(const DriverContext& context);

// Apply: writes the state into the context DEVMODE and current form when it belongs to the
// context. Returns false (nothing written) otherwise.
bool ApplyPageState(DriverContext& context);

// PSM_CHANGED when the state differs from the context, else PSM_UNCHANGED, sent by a page to its
// sheet.
void ReportPageChanges(HWND page, const DriverContext& context);

}  // namespace kelno
