#pragma once
// The wizard: six Wizard 97 pages in one modal property sheet.
#include <windows.h>

#include "drvwizard/win/wizard_state.h"

namespace kelno {

// The header subtitle of every page: string 157 formatted with the product name, version and
// date ("" when the string is missing or malformed).
void FormatWizardTitle(wchar_t* out, int capacity);

// Builds the pages and runs the sheet with riched20.dll loaded; the PropertySheetW result.
INT_PTR RunWizardSheet(HINSTANCE instance, WizardState& state);

}  // namespace kelno
