#pragma once
// Resource identifiers of usbonestep. Strings 101-104 and 117-119 belong to the installer
// (installer.rc), 105-116 to the uninstaller (uninstaller.rc).

#define IDD_ONESTEP_UNINSTALL 105
#define IDD_ONESTEP_INSTALL 106
#define IDB_ONESTEP_ICON 112
#define IDB_ONESTEP_PICTURE 113
