#pragma once
// Resource identifiers of usbonestep. Strings 101-104 and 117-119 belong to the installer
// (installer.rc), 105-116 to the uninstaller (uninstaller.rc).

#define IDD_ONESTEP_UNINSTALL 105
#define IDD_ONESTEP_INSTALL 106
#define IDB_ONESTEP_ICON 112
#define IDB_ONESTEP_PICTURE 113

// The installer's strings and the controls of its dialog (106).
#define IDS_ONESTEP_DEVICE_NOT_FOUND 101
#define IDS_ONESTEP_MESSAGE 102
#define IDS_ONESTEP_INSTALLED 103
#define IDS_ONESTEP_INSTALL_FAILED 104
#define IDS_ONESTEP_FOUND_PRINTER 117
#define IDS_ONESTEP_DONE 118
#define IDS_ONESTEP_SEARCHING 119
#define IDC_ONESTEP_WIZARD 3
#define IDC_ONESTEP_INSTALL_PROGRESS 1003
#define IDC_ONESTEP_LOG 1005
#define IDC_ONESTEP_STATUS 1006
#define IDC_ONESTEP_PICTURE 1007
#define IDC_ONESTEP_ICON 1008
