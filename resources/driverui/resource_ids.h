#pragma once
// Resource identifiers of kelnodrv6ui. String ids lie in 1900-2246; the texts are in
// strings_<language>.rc, one file per language, with the dialog templates.

// Model database document (resource type "JSON").
#define IDR_MODEL_DATABASE 119

// Dialogs and bitmaps
#define IDD_ABOUT 101
#define IDB_ABOUT_LOGO 102
#define IDD_GRAPHICS 108
#define IDB_PREVIEW_SAMPLE 112

// Controls of the About page
#define IDC_ABOUT_PRODUCT 1000
#define IDC_ABOUT_VERSION 1001
#define IDC_ABOUT_RIGHTS 1002

// Controls of the Graphics Property page
#define IDC_GRAPHICS_FLOYD_STEINBERG 1008
#define IDC_GRAPHICS_VIEW_ORIGINAL 1009
#define IDC_GRAPHICS_BURKES 1010
#define IDC_GRAPHICS_STUCKI 1011
#define IDC_GRAPHICS_JARVIS 1012
#define IDC_GRAPHICS_SIERRA 1013
#define IDC_GRAPHICS_STEVENSON_ARCE 1015
#define IDC_GRAPHICS_LOW_RESOLUTION 1025
#define IDC_GRAPHICS_BRIGHTNESS 1030
#define IDC_GRAPHICS_CONTRAST 1031
#define IDC_GRAPHICS_PREVIEW 1036
#define IDC_GRAPHICS_BRIGHTNESS_VALUE 1041
#define IDC_GRAPHICS_CONTRAST_VALUE 1043
#define IDC_GRAPHICS_SPECIAL_COLOUR 1082
#define IDC_GRAPHICS_THRESHOLD 1096
#define IDC_GRAPHICS_ADAPTIVE 1097
#define IDC_GRAPHICS_TWO_COLOURS 1127
#define IDC_GRAPHICS_DASHED_LINES 1130

// Strings of the driver context, the job check and the device capabilities
#define IDS_CALLER_NAME 1900
#define IDS_MEMORY_ALLOCATION_FAILED 1902
#define IDS_INVALID_DATA 1903
#define IDS_PAPER_OUT_OF_RANGE 1904
#define IDS_PAPER_NOT_LOADED 1914
#define IDS_HELP_FILE_NAME 1916
#define IDS_BIN_ROLL_PAPER 2044
#define IDS_BIN_MAIN 2045
#define IDS_SPECIAL_COLOUR_RED 2122
#define IDS_SPECIAL_COLOUR_BLUE 2125
#define IDS_SPECIAL_COLOUR_ORANGE 2128
#define IDS_CUSTOM_SIZE 2200

// The Page Setup page and the Edit Label Stock dialog.
#include "page_setup_ids.h"

// The Printer Settings page and its firmware group.
#include "printer_settings_ids.h"
#include "watermark_ids.h"       // the WaterMark page
#include "print_settings_ids.h"  // the Print Settings page, its Insert menu and its strings
