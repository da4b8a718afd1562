#pragma once
// Controls and resources of the wizard's frame and pages other than the install page:
// agreement (134), mode (129), installed drivers (136), uninstall (132), result (135).

// Program icon, page icon and header bitmap
#define IDI_WIZARD 134
#define IDI_WIZARD_PAGE 135
#define IDB_WIZARD_HEADER 148
// The licence agreement shown in the agreement page's rich-edit box (RTF, RCDATA)
#define IDR_LICENCE_AGREEMENT 300

// Agreement page
#define IDC_AGREEMENT_TEXT 1009
#define IDC_AGREEMENT_ACCEPT 1011
#define IDC_AGREEMENT_DECLINE 1012

// Mode page
#define IDC_MODE_INSTALL 1002
#define IDC_MODE_UNINSTALL 1003
#define IDC_MODE_RESTART_NOTICE 1004

// Installed drivers page and uninstall page: the list
#define IDC_PAGE_LIST 1008
// Uninstall page options
#define IDC_UNINSTALL_DELETE_PRINTER 1022
#define IDC_UNINSTALL_REMOVE_DRIVER 1023
#define IDC_UNINSTALL_DELETE_PORT 1025
#define IDC_UNINSTALL_REMOVE_PACKAGE 1029

// Result page
#define IDC_RESULT_TEXT 1019
#define IDC_RESULT_STATUS 1042
#define IDC_RESULT_HIDDEN_BUTTON 1045
