#include "drvwizard/win/uninstall_request.h"

#include <memory>
#include <string_view>

#include "base/text.h"
#include "base/win/wide_text.h"
#include "discovery/port_record.h"
#include "discovery/win/helper.h"
#include "drvwizard/win/wizard_state.h"

namespace kelno {
namespace {

// The array of the current request when it was made by AllocateWizardRequest.
std::unique_ptr<PrinterInstallEntry[]> RequestArray;

void ReleaseRequest(WizardState& state) {
    if (state.request && state.request == RequestArray.get()) {
        RequestArray.reset();
    } else {
        delete state.request;  // a single entry made with new by its caller
    }
    state.request = nullptr;
    state.requestCount = 0;
}

}  // namespace

PrinterInstallEntry* AllocateWizardRequest(WizardState& state, int count) {
    ReleaseRequest(state);
    if (count <= 0) return nullptr;
    RequestArray.reset(new PrinterInstallEntry[static_cast<std::size_t>(count)]());
    state.request = RequestArray.get();
    state.requestCount = count;
    return state.request;
}

void FreeWizardRequest(WizardState& state) { ReleaseRequest(state); }

PrinterInstallEntry MakeUninstallEntry(const wchar_t* printerName, const wchar_t* driverName, const wchar_t* portName) {
    PrinterInstallEntry entry{};
    SetField(entry.printerName, U16View(printerName));
    SetField(entry.modelName, U16View(driverName));
    SetField(entry.portName, U16View(portName));
    const std::uint16_t kind = SpoolerPortKind(portName);
    entry.portKind = kind == kPortTypeNetwork ? kPortKindStandardTcpIp : kind;
    return entry;
}

}  // namespace kelno
