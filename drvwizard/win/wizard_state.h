#pragma once
// The setup wizard's shared state: owned by the program's entry routine, zeroed before use and
// handed to every page (and to the result page's worker) as the page parameter.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/install_entry.h"

namespace kelno {

inline constexpr std::int32_t kWizardModeInstall = 1;
inline constexpr std::int32_t kWizardModeUninstall = 2;

struct WizardState {
    std::int32_t mode;                // 1 install, 2 uninstall; starts at 1
    LANGID uiLanguage;                // the user's default UI language, read once at start
    HWND resultPage;                  // set by the result page when it starts the work
    std::int32_t agreementButtons;    // last wizard-button value of the agreement page (2 or 0x10)
    std::int32_t noSupportedPrinter;  // 1 when no installed queue uses a supported model's driver
    std::int32_t rebootRequested;     // nonzero: the system reboot prompt after the wizard closes
    wchar_t infPath[MAX_PATH];        // "<package folder>\kelnov6.inf"
    // Install mode: one entry; uninstall mode: an array of requestCount entries. Owned by the
    // entry routine, which frees it after the sheet closes.
    PrinterInstallEntry* request;
    std::int32_t requestCount;
    std::int32_t setAsDefault;   // install: the "Set as default" check box
    std::int32_t deletePort;     // uninstall option "Delete Port"
    std::int32_t removeDriver;   // uninstall option "Remove Driver"
    std::int32_t removePackage;  // uninstall option "Remove Package"
};

static_assert(sizeof(WizardState::uiLanguage) == 2);

// The request memory, made here for the pages that fill the request (the install page's single
// entry, the uninstall page's selection) and owned by this header's process-wide holder. A
// request that a caller made itself with new (one entry) is released the same way when it is
// replaced or freed. Header-only, so that a page's own test can host the page without the worker.
inline std::unique_ptr<PrinterInstallEntry[]> WizardRequestArray;

// Frees the request after the sheet has closed (or before a new one is made).
inline void FreeWizardRequest(WizardState& state) {
    if (state.request && state.request == WizardRequestArray.get()) {
        WizardRequestArray.reset();
    } else {
        delete state.request;  // a single entry made with new by its caller
    }
    state.request = nullptr;
    state.requestCount = 0;
}

// Replaces the request with count zeroed entries (none when count is not positive).
inline PrinterInstallEntry* AllocateWizardRequest(WizardState& state, int count) {
    FreeWizardRequest(state);
    if (count <= 0) return nullptr;
    WizardRequestArray.reset(new PrinterInstallEntry[static_cast<std::size_t>(count)]());
    state.request = WizardRequestArray.get();
    state.requestCount = count;
    return state.request;
}
static_assert(sizeof(WizardState::infPath) == 260 * sizeof(wchar_t));

}  // namespace kelno
