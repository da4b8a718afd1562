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

// Handles a silent unins000.exe hands to its temporary copy, as numbers valid in the copy (the
// copy inherits them): the write end of a pipe that takes the uninstall's exit code, and the
// starting process itself, whose end the copy waits for before it moves the program folder
// away. 0: not given. Both are needed; either one alone is ignored.
struct StarterHandles {
    std::uint32_t codePipe = 0;  // "/codepipe=<n>"
    std::uint32_t starter = 0;   // "/starter=<n>"
    bool Given() const { return codePipe != 0 && starter != 0; }
};

struct OneStepOptions {
    bool uninstall = false;    // "-u" or "-DP"
    bool keepFolder = false;   // "-DP": the program folder stays after the uninstall
    bool silent = false;       // "/silence": no window
    std::u16string folder;     // the folder after "-u"; empty: the program folder
    bool waitLimited = false;  // "/wait=<seconds>" given with a valid number
    std::uint32_t waitSeconds = 0;
    bool waitInvalid = false;  // "/wait" given without a valid number of seconds
    StarterHandles starterHandles;
};

// Reads the arguments after the program's own path. Switches are compared without regard to
// ASCII case and may stand in any order; unknown arguments are ignored. "-u" takes the next
// argument as its folder unless that is one of the switches (a missing folder leaves the program
// folder in place). "/wait=" takes
// a decimal number of seconds, 0 to 86400; anything else sets waitInvalid. "/codepipe=" and
// "/starter=" take a handle value: a decimal multiple of 4 from 4 to 4294967292; anything else
// leaves that handle 0 (a later valid one counts).
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
// With handles given, "/codepipe=<n> /starter=<n>" go before "-u" as well.
std::u16string UninstallCopyCommandLine(std::u16string_view copyPath, std::u16string_view folder, bool silent,
                                        const StarterHandles& handles = {});

// The command line that hands over to the package's uninstaller: "\"<folder>unins000.exe\"".
std::u16string PackageUninstallerCommandLine(std::u16string_view programFolder);

}  // namespace kelno
