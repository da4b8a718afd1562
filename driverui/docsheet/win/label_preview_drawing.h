#pragma once
// The label preview drawn with GDI+: the printer top, its paper slot and the stock coming out of
// it, with "123" on every label turned, mirrored and inverted as chosen, and a red arrow on the
// dimension the stock editor marks. The layout is driverui/docsheet/label_preview.h.
#include <windows.h>

#include "driverui/core/paper_record.h"
#include "driverui/docsheet/label_preview.h"

namespace kelno {

struct LabelPreviewOptions {
    int angle = 0;  // 0, 90, 180 or 270 degrees
    bool mirror = false;
    bool negative = false;
    PreviewDimension arrow = PreviewDimension::none;
};

// Draws the preview of a stock into the rectangle of a device context. maxPrintableWidth and
// paperAlignment are the model's. GDI+ failures are written to the debug output and do not stop
// the drawing. Returns 1.
int DrawLabelPreview(HDC dc, const RECT& area, const PaperRecord& paper, std::int32_t maxPrintableWidth,
                     std::uint16_t paperAlignment, const LabelPreviewOptions& options);

// Only the background and the printer: for a frame that has no stock to show.
void DrawEmptyPreview(HDC dc, const RECT& area);

// Draws an owner-drawn preview control through a memory bitmap (no flicker); paper null draws
// the empty preview.
void PaintPreviewItem(const DRAWITEMSTRUCT& item, const PaperRecord* paper, std::int32_t maxPrintableWidth,
                      std::uint16_t paperAlignment, const LabelPreviewOptions& options);

}  // namespace kelno
