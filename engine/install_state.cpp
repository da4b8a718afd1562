#include "engine/install_state.h"

namespace kelno {

std::atomic<int> LastInstallError{0};
std::atomic<unsigned long> LastInstallSystemError{0};
std::atomic<bool> RebootNeeded{false};

void ResetInstallResult() {
    LastInstallError = 0;
    LastInstallSystemError = 0;
}

void SetInstallError(int code, unsigned long systemError) {
    LastInstallError = code;
    LastInstallSystemError = systemError;
}

}  // namespace kelno
