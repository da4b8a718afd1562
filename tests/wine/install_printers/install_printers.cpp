// Installs the package's driver, its language monitor and one queue per "<queue> <port>" pair
// through the engine, as the setup does, in a process of its own: Wine's spooler loads the
// language monitor into the process that registers it, and a program holding the monitor DLL
// keeps its system-directory copy from being deleted. Exit code 0 when every queue exists.
#include <windows.h>
#include <shellapi.h>

#include <string_view>

#include "base/text.h"
#include "base/win/scoped_seam.h"
#include "base/win/wide_text.h"
#include "common/win/seams.h"
#include "engine/install_entry.h"
#include "engine/win/printer_install.h"
#include "engine/win/system_paths.h"

namespace {

// The engine's fixed waits, cut short: the spooler answers at once here.
void WINAPI ShortWait(DWORD milliseconds) { Sleep(milliseconds < 50 ? milliseconds : 50); }

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args) return 2;
    kelno::ScopedSeam wait(kelno::seams::Time().sleep, &ShortWait);
    kelno::InitWizardPackageFolder();
    int failures = 0;
    for (int i = 1; i + 1 < count; i += 2) {
        kelno::PrinterInstallEntry entry{};
        kelno::CopyBounded(entry.modelName, std::size(entry.modelName), kelno::U16View(L"Tavolen MX-410"));
        kelno::CopyBounded(entry.printerName, std::size(entry.printerName), kelno::U16View(args[i]));
        kelno::CopyBounded(entry.portName, std::size(entry.portName), kelno::U16View(args[i + 1]));
        entry.modelFlags = 0x10;  // with the language monitor
        if (!kelno::DoAddPrinter(entry) || !kelno::IsPrinterInstalled(args[i])) ++failures;
    }
    LocalFree(args);
    return failures == 0 ? 0 : 1;
}
