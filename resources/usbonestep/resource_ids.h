#pragma once
// Resource identifiers of usbonestep. Strings 101-104 and 117-119 belong to the installer
// (installer.rc), 105-116 to the uninstaller (uninstaller.rc).

#define IDD_ONESTEP_UNINSTALL 105
#define IDD_ONESTEP_INSTALL 106
#define IDB_ONESTEP_ICON 112
#define IDB_ONESTEP_PICTURE 113

// The uninstall dialog (105): its controls and the uninstaller's strings. Caption 102 ("Message")
// belongs to the installer's strings; the uninstaller shows it over its success message.
#define IDC_UNINSTALL_TREE 1001
#define IDC_UNINSTALL_NOTE 1002
#define IDC_UNINSTALL_PROGRESS 1003
#define IDS_UNINSTALL_MESSAGE_CAPTION 102
#define IDS_UNINSTALL_NOTHING 105
#define IDS_UNINSTALL_PACKAGE 106
#define IDS_UNINSTALL_DRIVER_LIST 107
#define IDS_UNINSTALL_DRIVER 108
#define IDS_UNINSTALL_NO_DRIVER 109
#define IDS_UNINSTALL_PRINTER 110
#define IDS_UNINSTALL_NO_PRINTER 111
#define IDS_UNINSTALL_REMOVED 112
#define IDS_UNINSTALL_FAILED 113
#define IDS_UNINSTALL_FAILURE_MESSAGE 114
#define IDS_UNINSTALL_DONE_MESSAGE 115
#define IDS_UNINSTALL_FOLDER 116
