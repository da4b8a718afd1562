// The one-click installer's command line: any arguments parse without harm, a wait limit is
// within its bounds, and the uninstaller's temporary copy reads back the folder it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/command_line_split.h"
#include "usbonestep/onestep_command_line.h"
#include "usbonestep/onestep_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    if (!text.empty()) std::memcpy(text.data(), data, text.size() * 2);

    // Arguments: the input cut at NULs.
    std::vector<std::u16string_view> arguments;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find(u'\0', start);
        if (end == std::u16string::npos) end = text.size();
        arguments.push_back(std::u16string_view(text).substr(start, end - start));
        start = end + 1;
    }
    const kelno::OneStepOptions options = kelno::ParseOneStepCommandLine(arguments);
    if (options.waitLimited && (options.waitInvalid || options.waitSeconds > kelno::kMaxWaitSeconds)) std::abort();
    if (options.keepFolder && !options.uninstall) std::abort();
    if (!options.folder.empty() && !options.uninstall) std::abort();
    if (kelno::AfterPass(kelno::PassOutcome::noPrinter, options, 0).stop &&
        !(options.silent && options.waitLimited && options.waitSeconds == 0))
        std::abort();

    // A folder path (a drive, then no quotes or NULs) comes back unchanged.
    std::u16string folder = u"C:\\" + (arguments.empty() ? std::u16string() : std::u16string(arguments.front()));
    for (char16_t& c : folder)
        if (c == u'"' || c == u'\0') c = u'_';
    const std::u16string line = kelno::UninstallCopyCommandLine(u"C:\\Temp\\uni1.tmp", folder, size & 1);
    const std::vector<std::u16string> argv = kelno::test::SplitCommandLine(line);
    if (argv.size() < 3) std::abort();
    const std::vector<std::u16string_view> copyArguments(argv.begin() + 1, argv.end());
    const kelno::OneStepOptions copy = kelno::ParseOneStepCommandLine(copyArguments);
    if (!copy.uninstall || copy.silent != static_cast<bool>(size & 1) || copy.folder != folder) std::abort();

    (void)kelno::IsUninstallerProgramPath(text);
    const std::u16string programFolder = kelno::ProgramFolderOf(text);
    if (programFolder.size() > text.size()) std::abort();
    return 0;
}
