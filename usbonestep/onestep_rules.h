#pragma once
// The one-click installer's decisions that need no system call: which connected printer is
// installed under which names, the debug lines of the model match, and when the search for a
// printer ends with which exit code.
#include <cstdint>
#include <string>

#include "common/model_table.h"
#include "discovery/port_record.h"
#include "engine/install_entry.h"
#include "usbonestep/onestep_command_line.h"

namespace kelno {

// Exit codes of the installer. An install with its window always ends with kExitOk; without a
// window (/silence) the code says how the unattended install ended.
inline constexpr int kExitOk = 0;
inline constexpr int kExitNoPrinterInTime = 2;    // /silence /wait=<s>: no supported printer in time
inline constexpr int kExitInstallFailed = 3;      // /silence: the install of a printer failed
inline constexpr int kExitAlreadyInstalled = 4;   // /silence: the package is installed, nothing done
inline constexpr int kExitInvalidArguments = 87;  // "/wait" without a valid number of seconds

// What the program does after its start-up, in this order of precedence: the uninstaller (-u,
// -DP); as "unins000" the hand-over to its temporary copy; with the package installed the
// hand-over to the package's uninstaller, except unattended, which never opens a window and ends
// with kExitAlreadyInstalled; otherwise the install, without a window when silent.
enum class StartAction {
    uninstall,
    startUninstallCopy,
    handOverToUninstaller,
    endAlreadyInstalled,
    installSilently,
    installWithDialog,
};
StartAction ChooseStartAction(const OneStepOptions& options, bool runsAsUninstaller, bool packageInstalled);

// The debug line of the model match of a port's description (FindModel: "%ws%ws" or "%ws %ws"
// of brand and model, case-sensitive, first row wins): "Found model <text>, <brand> <model>"
// or, with no row, "Found not model <text>".
std::u16string ModelMatchTrace(std::u16string_view description, const ModelRow* row);

// The entry that installs the printer of a record matched to a row: device id = the record's
// hardware identifier (unchanged), model name and printer name = "<brand> <model>", port =
// the record's port name, flags = the row's. Every other field is zero.
PrinterInstallEntry OneStepEntry(const PortRecord& record, const ModelRow& row);

// What one pass of the search loop found.
enum class PassOutcome {
    noPrinter,  // no connected printer of a supported model
    installed,  // every matching printer of the pass is installed
    failed,     // the install of a matching printer failed
};

struct LoopVerdict {
    bool stop;
    int exitCode;  // meaningful when stop
};

// After a pass: an install ends the loop (a failure with kExitInstallFailed when silent); with
// no printer the loop goes on, unless it runs silent with a wait limit and elapsedMs has reached
// it. Without a window and without a limit the search never ends.
LoopVerdict AfterPass(PassOutcome outcome, const OneStepOptions& options, std::uint64_t elapsedMs);

}  // namespace kelno
