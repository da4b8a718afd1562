#pragma once
// Resource identifiers of drvwizard. Strings 104-203: the texts are in strings_<language>.rc.

// Wizard pages (dialog templates), in sheet order
#define IDD_AGREEMENT_PAGE 134
#define IDD_MODE_PAGE 129
#define IDD_INSTALL_PAGE 131
#define IDD_UPGRADE_LIST_PAGE 136
#define IDD_UNINSTALL_PAGE 132
#define IDD_RESULT_PAGE 135

// Result page and the engine's progress lines
#define IDS_UNINSTALL_DISCONNECT_FIRST 110
#define IDS_INSTALLING_WAIT 120
#define IDS_UNINSTALLING_WAIT 121
#define IDS_INSTALLATION_COMPLETE 122
#define IDS_UNINSTALLATION_COMPLETE 123
#define IDS_FORCE_REMOVE_PACKAGE 124
#define IDS_PROMPT 125
#define IDS_INSTALLING_DRIVER_AT_PORT 129
#define IDS_DRIVER_INSTALLED 130
#define IDS_DRIVER_INSTALL_FAILED 131
#define IDS_REMOVE_PRINTER 132
#define IDS_DELETE_DRIVER_PACKAGE 133
#define IDS_REBOOT_QUESTION 134
#define IDS_RESTART_WARNING 135
#define IDS_REMOVE_PRINTER_DRIVER 136
#define IDS_OK_LINE 143
#define IDS_FAILED_LINE 144
#define IDS_INSTALLED_SUCCESS 146
#define IDS_INSTALL_FAILURE 147
#define IDS_INSTALLING 148

// Progress lines of the standard TCP/IP port steps
#define IDS_ADD_PORT 186
#define IDS_UPDATE_PORT 187
#define IDS_REMOVE_PORT 188
#include "install_page_ids.h"
