#pragma once
// Resource identifiers of the WaterMark page (dialog 120): its controls and strings.

#define IDD_WATERMARK 120

// Controls
#define IDC_WATERMARK_ENABLE 1009
#define IDC_WATERMARK_PATH 1083
#define IDC_WATERMARK_BROWSE 1084
#define IDC_WATERMARK_BRIGHTNESS 1085
#define IDC_WATERMARK_SCALE 1087
#define IDC_WATERMARK_HORIZONTAL 1088
#define IDC_WATERMARK_VERTICAL 1089
#define IDC_WATERMARK_PREVIEW 1095

// The label of the file choice's filter
#define IDS_WATERMARK_FILTER 2150
