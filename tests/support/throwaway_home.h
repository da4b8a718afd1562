#pragma once
// A home folder inside the throwaway prefix for this test process and every program it starts:
// Wine's recycle bin is the XDG trash of the Linux user's home, which a test must never reach.
#include <windows.h>

#include <string>
#include <vector>

namespace kelno::test {

// Makes the folder and points HOME, XDG_DATA_HOME and WINEHOMEDIR of this process's environment
// (which started programs inherit) at it. Returns its Windows path; empty when the Unix path of
// the folder cannot be had (then nothing is changed).
std::wstring UseThrowawayHome();

// The names in the throwaway home's recycle bin (the trash's "files" folder).
std::vector<std::wstring> RecycledNames(const std::wstring& home);

}  // namespace kelno::test
