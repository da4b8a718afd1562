#pragma once
// The one-click installer's command line and the names and folders it derives from its own
// path: the modes, the uninstaller's program name "unins000", the program folder and the
// command line of the uninstaller's temporary copy.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kelno {

inline constexpr char16_t kUninstallerBaseName[] = u"unins000";

struct OneStepOptions {
    bool uninstall = false;    // "-u" or "-DP"
    bool keepFolder = false;   // "-DP": the program folder stays after the uninstall
    bool silent = false;       // "/silence": no window
    std::u16string folder;     // the folder after "-u"; empty: the program folder
    bool waitLimited = false;  // "/wait=<seconds>" given with a valid number
    std::uint32_t waitSeconds = 0;
    bool waitInvalid = false;  // "/wait" given without a valid number of seconds
};

// Reads the arguments after the program's own path. Switches are compared without regard to
// ASCII case and may stand in any order; unknown arguments are ignored. "-u" takes the next
// argument as its folder unless that is one of the switches (a missing folder leaves the program
// folder in place). "/wait=" takes
// a decimal number of seconds, 0 to 86400; anything else sets waitInvalid.
OneStepOptions ParseOneStepCommandLine(std::span<const std::u16string_view> arguments);

// The largest wait limit accepted, one day.
inline constexpr std::uint32_t kMaxWaitSeconds = 86400;

// Whether the program's base file name (no folder, no extension) is exactly "unins000".
bool IsUninstallerProgramPath(std::u16string_view modulePath);

// Drive and folder of a program path, ending with its last '\' or '/' (empty without one).
std::u16string ProgramFolderOf(std::u16string_view modulePath);

// The command line that starts the uninstaller's temporary copy in uninstall mode for the
// program folder: "\"<copy>\" -u \"<folder>". The folder's closing quote is left out, so its
// trailing backslash cannot escape a quote; "/silence" therefore goes before "-u".
std::u16string UninstallCopyCommandLine(std::u16string_view copyPath, std::u16string_view folder, bool silent);

// The command line that hands over to the package's uninstaller: "\"<folder>unins000.exe\"".
std::u16string PackageUninstallerCommandLine(std::u16string_view programFolder);

}  // namespace kelno
