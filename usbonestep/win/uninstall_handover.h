#pragma once
// The hand-over between a silent unins000.exe and the temporary copy that uninstalls. The copy
// moves the program folder away as its last step, which it cannot do while unins000.exe, whose
// image lies in that folder, still runs. So the copy sends the uninstall's exit code through an
// inherited pipe before that step and waits for unins000.exe to end; unins000.exe ends with the
// code it read. A failure of the folder move after the code was sent shows only in the debugger
// output.
#include <windows.h>

#include <cstdint>

#include "base/win/scoped.h"
#include "usbonestep/onestep_command_line.h"

namespace kelno {

// How long unins000.exe waits for its copy's code (the removal's retries and the Spooler
// restart can take minutes), and how long the copy waits for unins000.exe to end.
inline constexpr DWORD kCopyCodeWaitMs = 15 * 60 * 1000;
inline constexpr DWORD kStarterEndWaitMs = 30 * 1000;

// unins000.exe's side: starts copyPath silently in uninstall mode for folder, with the pipe's
// write end and a handle of this process as the only handles it inherits, and returns what
// unins000.exe ends with (StarterExitCode, usbonestep/uninstall_removal.h).
std::uint32_t RunUninstallCopyForCode(const wchar_t* copyPath, const wchar_t* folder);

// The copy's side: the handles of its command line, once checked (a pipe, and another process
// this one may wait for); processes this one starts do not inherit them. Without valid handles
// the link does nothing.
class StarterLink {
public:
    explicit StarterLink(const StarterHandles& handles);
    StarterLink(const StarterLink&) = delete;
    StarterLink& operator=(const StarterLink&) = delete;

    // Whether this copy was started by a silent unins000.exe (valid handles were given).
    bool Linked() const { return linked_; }
    // Writes the code (4 bytes) and closes the pipe, then waits up to kStarterEndWaitMs for the
    // starter to end. Once only; later calls do nothing.
    void SendCodeAndWaitForStarterEnd(int code);

private:
    ScopedHandle pipe_;
    ScopedHandle starter_;
    bool linked_ = false;
};

}  // namespace kelno
