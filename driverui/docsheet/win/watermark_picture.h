#pragma once
// Reads a watermark picture file (BMP, PNG, JPEG, GIF) as an 8-bit grey picture through GDI+.
// The file's first bytes must name one of those formats and a size the page may decode
// (driverui/docsheet/watermark_preview.h) before GDI+ sees the file, so that no claimed size
// makes anything allocate more than the page allows. GDI+ must be started.
#include <windows.h>

#include "driverui/docsheet/watermark_preview.h"

namespace kelno {

// The grey picture of a file; an empty picture when the file cannot be read, is no picture of
// the four formats, is too large, or GDI+ cannot decode it.
WatermarkPicture ReadWatermarkPicture(const wchar_t* path);

}  // namespace kelno
