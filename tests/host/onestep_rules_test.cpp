#include <gtest/gtest.h>

#include <string>

#include "base/text.h"
#include "usbonestep/onestep_rules.h"

namespace kelno {
namespace {

std::string Show(std::u16string_view text) { return std::string(text.begin(), text.end()); }

TEST(OneStepRules, ModelMatchTraceNamesTheRowOrTheMiss) {
    const struct {
        std::u16string description;
        const char* trace;
    } cases[] = {
        {u"TavolenMX-410", "Found model TavolenMX-410, Tavolen MX-410"},
        {u"Tavolen MX-420", "Found model Tavolen MX-420, Tavolen MX-420"},
        {u"tavolen mx-410", "Found not model tavolen mx-410"},
        {u"Quillon MX-362", "Found not model Quillon MX-362"},
        {u"", "Found not model "},
    };
    for (const auto& c : cases) {
        const ModelRow* row = FindModel(c.description);
        EXPECT_EQ(Show(ModelMatchTrace(c.description, row)), c.trace);
    }
}

PortRecordPtr Record(std::u16string_view port, std::u16string_view description, std::u16string_view hardwareId) {
    PortRecordPtr record = MakePortRecord();
    SetField(record->portName, port);
    SetField(record->description, description);
    SetField(record->hardwareId, hardwareId);
    SetField(record->serialNumber, u"SER1");
    record->portType = kPortTypeUsb;
    return record;
}

// Whatever form the printer reports its model in, the queue and driver get "<brand> <model>";
// the hardware identifier goes on unchanged (blanks included) and nothing else is filled in.
TEST(OneStepRules, EntryNamesQueueAndDriverAfterTheRow) {
    const struct {
        std::u16string description, port, hardwareId;
        const char* name;
    } cases[] = {
        {u"TavolenMX-410", u"USB001", u"USBPRINT\\TavolenMX-4107472", "Tavolen MX-410"},
        {u"Tavolen MX-420", u"USB002", u"USBPRINT\\Tavolen MX-4208672", "Tavolen MX-420"},
        {u"TavolenMX-430", u"USB010", u"", "Tavolen MX-430"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Show(c.description));
        const PortRecordPtr record = Record(c.port, c.description, c.hardwareId);
        const ModelRow* row = FindModel(c.description);
        ASSERT_NE(row, nullptr);
        const PrinterInstallEntry entry = OneStepEntry(*record, *row);
        EXPECT_EQ(Show(FieldText(entry.modelName)), c.name);
        EXPECT_EQ(Show(FieldText(entry.printerName)), c.name);
        EXPECT_EQ(Show(FieldText(entry.portName)), Show(c.port));
        EXPECT_EQ(Show(FieldText(entry.deviceId)), Show(c.hardwareId));
        EXPECT_EQ(entry.modelFlags, row->flags);
        EXPECT_EQ(FieldText(entry.driverEnvironment).size(), 0u);
        EXPECT_EQ(FieldText(entry.hostAddress).size(), 0u);
        EXPECT_EQ(entry.tcpPortNumber, 0);
        EXPECT_EQ(entry.portKind, 0);
    }
}

TEST(OneStepRules, OverlongHardwareIdIsCutToTheField) {
    const std::u16string longId(400, u'X');
    const PortRecordPtr record = Record(u"USB001", u"TavolenMX-410", longId);
    const PrinterInstallEntry entry = OneStepEntry(*record, *FindModel(u"TavolenMX-410"));
    EXPECT_EQ(FieldText(entry.deviceId).size(), 259u);
}

TEST(OneStepRules, SearchEndsOnInstallFailureOrTheWaitLimitOnlyWhenSilent) {
    OneStepOptions window;
    OneStepOptions silent;
    silent.silent = true;
    OneStepOptions limited = silent;
    limited.waitLimited = true;
    limited.waitSeconds = 5;
    OneStepOptions windowWithLimit = limited;  // the limit is for unattended installs only
    windowWithLimit.silent = false;
    OneStepOptions zero = limited;
    zero.waitSeconds = 0;

    const struct {
        const char* name;
        PassOutcome outcome;
        const OneStepOptions& options;
        std::uint64_t elapsedMs;
        bool stop;
        int exitCode;
    } cases[] = {
        {"installed with window", PassOutcome::installed, window, 0, true, kExitOk},
        {"installed silent", PassOutcome::installed, limited, 999999, true, kExitOk},
        {"failed with window", PassOutcome::failed, window, 0, true, kExitOk},
        {"failed silent", PassOutcome::failed, silent, 0, true, kExitInstallFailed},
        {"none with window searches on", PassOutcome::noPrinter, window, 999999999, false, kExitOk},
        {"none silent without limit searches on", PassOutcome::noPrinter, silent, 999999999, false, kExitOk},
        {"none with window ignores the limit", PassOutcome::noPrinter, windowWithLimit, 999999, false, kExitOk},
        {"none before the limit", PassOutcome::noPrinter, limited, 4999, false, kExitOk},
        {"none at the limit", PassOutcome::noPrinter, limited, 5000, true, kExitNoPrinterInTime},
        {"none with limit 0 after one pass", PassOutcome::noPrinter, zero, 0, true, kExitNoPrinterInTime},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const LoopVerdict verdict = AfterPass(c.outcome, c.options, c.elapsedMs);
        EXPECT_EQ(verdict.stop, c.stop);
        if (c.stop) EXPECT_EQ(verdict.exitCode, c.exitCode);
    }
}

// Uninstall mode wins over everything; the program stored as unins000 never installs; an
// installed package hands over to its uninstaller, except in an unattended run.
TEST(OneStepRules, StartActionByModeNameAndInstalledPackage) {
    OneStepOptions none, silent, uninstall, silentUninstall;
    silent.silent = true;
    uninstall.uninstall = true;
    silentUninstall = uninstall;
    silentUninstall.silent = true;
    const struct {
        const char* name;
        const OneStepOptions& options;
        bool asUninstaller, installed;
        StartAction action;
    } cases[] = {
        {"plain start", none, false, false, StartAction::installWithDialog},
        {"silent start", silent, false, false, StartAction::installSilently},
        {"installed package", none, false, true, StartAction::handOverToUninstaller},
        {"installed package, silent", silent, false, true, StartAction::endAlreadyInstalled},
        {"as unins000", none, true, false, StartAction::startUninstallCopy},
        {"as unins000, silent, installed", silent, true, true, StartAction::startUninstallCopy},
        {"-u", uninstall, false, true, StartAction::uninstall},
        {"-u as unins000", silentUninstall, true, true, StartAction::uninstall},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseStartAction(c.options, c.asUninstaller, c.installed), c.action) << c.name;
}

}  // namespace
}  // namespace kelno
