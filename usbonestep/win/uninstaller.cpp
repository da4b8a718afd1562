#include "usbonestep/win/uninstaller.h"

namespace kelno {

// Placeholders until the uninstaller is built.
bool PackageIsInstalled() { return false; }

int RunUninstaller(HINSTANCE, const UninstallOptions&) { return 0; }

}  // namespace kelno
