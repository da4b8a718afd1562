#include "usbonestep/onestep_rules.h"

namespace kelno {

std::u16string ModelMatchTrace(std::u16string_view description, const ModelRow* row) {
    if (!row) return u"Found not model " + std::u16string(description);
    std::u16string line = u"Found model " + std::u16string(description) + u", ";
    line += row->brand;
    line += u" ";
    line += row->model;
    return line;
}

PrinterInstallEntry OneStepEntry(const PortRecord& record, const ModelRow& row) {
    PrinterInstallEntry entry{};
    const std::u16string name = ModelDisplayName(row);
    SetField(entry.deviceId, FieldText(record.hardwareId));
    SetField(entry.modelName, name);
    SetField(entry.portName, FieldText(record.portName));
    SetField(entry.printerName, name);
    entry.modelFlags = row.flags;
    return entry;
}

StartAction ChooseStartAction(const OneStepOptions& options, bool runsAsUninstaller, bool packageInstalled) {
    if (options.uninstall) return StartAction::uninstall;
    if (runsAsUninstaller) return StartAction::startUninstallCopy;
    if (packageInstalled) return options.silent ? StartAction::endAlreadyInstalled : StartAction::handOverToUninstaller;
    return options.silent ? StartAction::installSilently : StartAction::installWithDialog;
}

LoopVerdict AfterPass(PassOutcome outcome, const OneStepOptions& options, std::uint64_t elapsedMs) {
    switch (outcome) {
        case PassOutcome::installed: return {true, kExitOk};
        case PassOutcome::failed: return {true, options.silent ? kExitInstallFailed : kExitOk};
        case PassOutcome::noPrinter: break;
    }
    const bool timedOut =
        options.silent && options.waitLimited && elapsedMs >= static_cast<std::uint64_t>(options.waitSeconds) * 1000u;
    return {timedOut, timedOut ? kExitNoPrinterInTime : kExitOk};
}

}  // namespace kelno
