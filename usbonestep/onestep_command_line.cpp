#include "usbonestep/onestep_command_line.h"

#include "base/text.h"

namespace kelno {
namespace {

bool Is(std::u16string_view argument, std::u16string_view name) { return AsciiLower(argument) == name; }

constexpr std::u16string_view kWaitPrefix = u"/wait=";
constexpr std::u16string_view kCodePipePrefix = u"/codepipe=";
constexpr std::u16string_view kStarterPrefix = u"/starter=";

bool HasPrefix(std::u16string_view argument, std::u16string_view prefix) {
    return argument.size() >= prefix.size() && Is(argument.substr(0, prefix.size()), prefix);
}

bool IsWait(std::u16string_view argument) { return Is(argument, u"/wait") || HasPrefix(argument, kWaitPrefix); }

// A switch of this program is never taken for the folder after "-u": "-u /silence" must not
// make "/silence" the folder the uninstaller deletes.
bool IsSwitch(std::u16string_view argument) {
    return Is(argument, u"-u") || Is(argument, u"-dp") || Is(argument, u"/silence") || IsWait(argument) ||
           HasPrefix(argument, kCodePipePrefix) || HasPrefix(argument, kStarterPrefix);
}

// A decimal number of seconds up to kMaxWaitSeconds, nothing else.
bool ParseSeconds(std::u16string_view text, std::uint32_t& seconds) {
    if (text.empty() || text.size() > 6) return false;
    std::uint32_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + static_cast<std::uint32_t>(c - u'0');
    }
    if (value > kMaxWaitSeconds) return false;
    seconds = value;
    return true;
}

// A handle value: decimal, a multiple of 4 (the low two bits of a kernel handle are never set),
// not 0, within 32 bits. 0 for anything else.
std::uint32_t ParseHandleValue(std::u16string_view text) {
    if (text.empty() || text.size() > 10) return 0;
    std::uint64_t value = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') return 0;
        value = value * 10 + static_cast<std::uint64_t>(c - u'0');
    }
    if (value > 0xFFFFFFFFu || value % 4 != 0) return 0;
    return static_cast<std::uint32_t>(value);
}

void AppendNumber(std::u16string& line, std::uint32_t value) {
    char16_t digits[10];
    std::size_t n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0) line += digits[--n];
}

std::size_t LastSeparator(std::u16string_view path) { return path.find_last_of(u"\\/"); }

}  // namespace

OneStepOptions ParseOneStepCommandLine(std::span<const std::u16string_view> arguments) {
    OneStepOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::u16string_view argument = arguments[i];
        if (Is(argument, u"-u")) {
            options.uninstall = true;
            if (i + 1 < arguments.size() && !IsSwitch(arguments[i + 1]))
                options.folder = std::u16string(arguments[++i]);
        } else if (Is(argument, u"-dp")) {
            options.uninstall = true;
            options.keepFolder = true;
        } else if (Is(argument, u"/silence")) {
            options.silent = true;
        } else if (IsWait(argument)) {
            std::uint32_t seconds = 0;
            const bool valid =
                argument.size() > kWaitPrefix.size() && ParseSeconds(argument.substr(kWaitPrefix.size()), seconds);
            options.waitLimited = valid;
            options.waitSeconds = valid ? seconds : 0;
            options.waitInvalid = !valid;
        } else if (HasPrefix(argument, kCodePipePrefix)) {
            options.starterHandles.codePipe = ParseHandleValue(argument.substr(kCodePipePrefix.size()));
        } else if (HasPrefix(argument, kStarterPrefix)) {
            options.starterHandles.starter = ParseHandleValue(argument.substr(kStarterPrefix.size()));
        }
    }
    return options;
}

bool IsUninstallerProgramPath(std::u16string_view modulePath) {
    const std::size_t separator = LastSeparator(modulePath);
    std::u16string_view name = separator == std::u16string_view::npos ? modulePath : modulePath.substr(separator + 1);
    const std::size_t dot = name.rfind(u'.');
    if (dot != std::u16string_view::npos) name = name.substr(0, dot);
    return name == kUninstallerBaseName;
}

std::u16string ProgramFolderOf(std::u16string_view modulePath) {
    const std::size_t separator = LastSeparator(modulePath);
    if (separator == std::u16string_view::npos) return {};
    return std::u16string(modulePath.substr(0, separator + 1));
}

std::u16string UninstallCopyCommandLine(std::u16string_view copyPath, std::u16string_view folder, bool silent,
                                        const StarterHandles& handles) {
    std::u16string line = u"\"";
    line += copyPath;
    line += u"\"";
    if (silent) line += u" /silence";
    if (handles.Given()) {
        line += u" ";
        line += kCodePipePrefix;
        AppendNumber(line, handles.codePipe);
        line += u" ";
        line += kStarterPrefix;
        AppendNumber(line, handles.starter);
    }
    line += u" -u \"";
    line += folder;
    return line;
}

std::u16string PackageUninstallerCommandLine(std::u16string_view programFolder) {
    std::u16string line = u"\"";
    line += programFolder;
    if (!programFolder.empty() && programFolder.back() != u'\\' && programFolder.back() != u'/') line += u"\\";
    line += kUninstallerBaseName;
    line += u".exe\"";
    return line;
}

}  // namespace kelno
