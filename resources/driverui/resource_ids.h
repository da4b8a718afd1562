#pragma once
// Resource identifiers of kelnodrv6ui. String ids lie in 1900-2246; the texts are in
// strings_<language>.rc, one file per language, with the dialog templates.

// Model database document (resource type "JSON").
#define IDR_MODEL_DATABASE 119

// Dialogs and bitmaps
#define IDD_ABOUT 101
#define IDB_ABOUT_LOGO 102

// Controls of the About page
#define IDC_ABOUT_PRODUCT 1000
#define IDC_ABOUT_VERSION 1001
#define IDC_ABOUT_RIGHTS 1002

// Strings of the driver context, the job check and the device capabilities
#define IDS_CALLER_NAME 1900
#define IDS_MEMORY_ALLOCATION_FAILED 1902
#define IDS_INVALID_DATA 1903
#define IDS_PAPER_OUT_OF_RANGE 1904
#define IDS_PAPER_NOT_LOADED 1914
#define IDS_HELP_FILE_NAME 1916
#define IDS_BIN_ROLL_PAPER 2044
#define IDS_BIN_MAIN 2045
#define IDS_CUSTOM_SIZE 2200
