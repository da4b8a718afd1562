#include "driverui/docsheet/win/label_preview_drawing.h"

#include <objidl.h>  // gdiplus.h needs it with WIN32_LEAN_AND_MEAN
#include <gdiplus.h>

#include <memory>
#include <string>

#include "base/win/scoped.h"
#include "driverui/core/win/module.h"

namespace kelno {

namespace {

using Gdiplus::ARGB;
using Gdiplus::Color;
using Gdiplus::REAL;

constexpr ARGB kBackground = 0xFFF0F0F0;
constexpr ARGB kPrinterBody = 0xFFC8C8C8;
constexpr ARGB kPrinterEdge = 0xFFDCDCDC;
constexpr ARGB kIndicator = 0xFF009999;
constexpr ARGB kSlotLine = 0xFF3C3C3C;
constexpr ARGB kSlotFill = 0xFF505050;
constexpr ARGB kSlotEdge = 0xFF5A5A5A;
constexpr ARGB kLiner = 0xFFC8C8C8;
constexpr ARGB kWhite = 0xFFFFFFFF;
constexpr ARGB kBlack = 0xFF000000;
constexpr ARGB kArrow = 0xFFFF0000;
constexpr REAL kPrinterHeight = 60.0f;

// Collects the first failed GDI+ status of a drawing.
struct Status {
    Gdiplus::Status first = Gdiplus::Ok;
    void operator+=(Gdiplus::Status status) {
        if (first == Gdiplus::Ok) first = status;
    }
};

// A rounded rectangle, clockwise from the top left corner: four quarter arcs joined by lines.
void AddRoundedRectangle(Gdiplus::GraphicsPath& path, REAL x, REAL y, REAL width, REAL height, REAL rx, REAL ry) {
    const REAL w = 2 * rx;
    const REAL h = 2 * ry;
    path.AddArc(x, y, w, h, 180.0f, 90.0f);
    path.AddLine(x + rx, y, x + width - rx, y);
    path.AddArc(x + width - w, y, w, h, 270.0f, 90.0f);
    path.AddLine(x + width, y + ry, x + width, y + height - ry);
    path.AddArc(x + width - w, y + height - h, w, h, 0.0f, 90.0f);
    path.AddLine(x + width - rx, y + height, x + rx, y + height);
    path.AddArc(x, y + height - h, w, h, 90.0f, 90.0f);
    path.CloseFigure();
}

void RoundedRectangle(Gdiplus::Graphics& graphics, Status& status, const Gdiplus::RectF& r, REAL rx, REAL ry, ARGB fill,
                      ARGB edge, REAL edgeWidth) {
    Gdiplus::GraphicsPath path;
    AddRoundedRectangle(path, r.X, r.Y, r.Width, r.Height, rx, ry);
    Gdiplus::SolidBrush brush{Color(fill)};
    Gdiplus::Pen pen(Color(edge), edgeWidth);
    status += graphics.FillPath(&brush, &path);
    status += graphics.DrawPath(&pen, &path);
}

void RoundLine(Gdiplus::Graphics& graphics, Status& status, ARGB colour, REAL width, REAL x1, REAL y1, REAL x2,
               REAL y2) {
    Gdiplus::Pen pen(Color(colour), width);
    pen.SetStartCap(Gdiplus::LineCapRound);
    pen.SetEndCap(Gdiplus::LineCapRound);
    status += graphics.DrawLine(&pen, x1, y1, x2, y2);
}

void DrawPrinter(Gdiplus::Graphics& graphics, Status& status, REAL clientWidth) {
    const REAL cx = clientWidth * 0.5f;
    RoundedRectangle(graphics, status, {0, 0, clientWidth, kPrinterHeight}, 6, 6, kPrinterBody, kPrinterEdge, 3);
    RoundLine(graphics, status, kIndicator, 6, cx - 13, 20, cx + 13, 20);
    RoundLine(graphics, status, kSlotLine, 10, cx - 80, 35, cx + 80, 35);
    RoundedRectangle(graphics, status, {cx - 76, 38, cx + 54, 34}, 4, 4, kSlotFill, kSlotEdge, 2);
}

// "123" turned about centre by angle, mirrored left to right when asked.
void RotatedText(Gdiplus::Graphics& graphics, Status& status, const Gdiplus::Font& font, const Gdiplus::Brush& brush,
                 PreviewPoint point, PreviewPoint centre, int angle, bool mirror) {
    status += graphics.TranslateTransform(centre.x, centre.y);
    if (mirror) status += graphics.ScaleTransform(-1.0f, 1.0f);
    status += graphics.RotateTransform(static_cast<REAL>(angle));
    status += graphics.TranslateTransform(-centre.x, -centre.y);
    status += graphics.DrawString(L"123", 3, &font, Gdiplus::PointF(point.x, point.y), &brush);
    status += graphics.ResetTransform();
}

// "123" in Arial, 18 points, where the system has Arial; else in a face it has.
std::unique_ptr<Gdiplus::Font> LabelFont() {
    for (const wchar_t* face : {L"Arial", L"Liberation Sans", L"Tahoma", L"DejaVu Sans"}) {
        const Gdiplus::FontFamily family(face);
        if (!family.IsAvailable()) continue;
        auto font = std::make_unique<Gdiplus::Font>(&family, 18.0f, Gdiplus::FontStyleRegular, Gdiplus::UnitPoint);
        if (font->IsAvailable()) return font;
    }
    return std::make_unique<Gdiplus::Font>(Gdiplus::FontFamily::GenericSansSerif(), 18.0f, Gdiplus::FontStyleRegular,
                                           Gdiplus::UnitPoint);
}

Gdiplus::RectF Rect(const PreviewRect& r) { return {r.x, r.y, r.width, r.height}; }

void DrawStock(Gdiplus::Graphics& graphics, Status& status, const PreviewLayout& layout,
               const LabelPreviewOptions& options) {
    const ARGB labelColour = options.negative ? kBlack : kWhite;
    const ARGB textColour = options.negative ? kWhite : kBlack;
    Gdiplus::SolidBrush liner{Color(kLiner)};
    Gdiplus::SolidBrush label{Color(labelColour)};
    Gdiplus::SolidBrush text{Color(textColour)};
    Gdiplus::Pen outline(Color(kBlack), 1.0f);
    Gdiplus::Pen dashed(Color(kBlack), 1.0f);
    dashed.SetDashStyle(Gdiplus::DashStyleDash);

    const std::unique_ptr<Gdiplus::Font> font = LabelFont();

    status += graphics.FillRectangle(&liner, Rect(layout.paperPath));
    if (layout.kind == PreviewPaperKind::labels) {
        for (const PreviewLabel& one : layout.labels) {
            RoundedRectangle(graphics, status, Rect(one.rect), 8, 8, labelColour, kBlack, 1);
            RotatedText(graphics, status, *font, text, one.text, one.centre, options.angle, options.mirror);
        }
    } else {
        status += graphics.FillRectangle(
            &label, Gdiplus::RectF(layout.x + layout.left, layout.y, layout.width, kPreviewPaperLength));
        const PreviewLine& top = layout.firstSeparator;
        status += graphics.DrawLine(&dashed, top.from.x, top.from.y, top.to.x, top.to.y);
        for (const PreviewLabel& page : layout.labels) {
            RotatedText(graphics, status, *font, text, page.text, page.centre, options.angle, options.mirror);
            status += graphics.DrawLine(&dashed, page.separator.from.x, page.separator.from.y, page.separator.to.x,
                                        page.separator.to.y);
            if (layout.kind == PreviewPaperKind::blackMarks) {
                status += graphics.FillRectangle(&text, Rect(page.mark));
                status += graphics.DrawRectangle(&outline, Rect(page.mark));
            }
        }
    }

    PreviewLine arrow{};
    if (DimensionArrow(layout, options.arrow, arrow)) {
        Gdiplus::Pen pen(Color(kArrow), 4.0f);
        pen.SetStartCap(Gdiplus::LineCapArrowAnchor);
        pen.SetEndCap(Gdiplus::LineCapArrowAnchor);
        status += graphics.DrawLine(&pen, arrow.from.x, arrow.from.y, arrow.to.x, arrow.to.y);
    }
}

void Report(const Status& status) {
    if (status.first != Gdiplus::Ok) {
        const std::string code = std::to_string(static_cast<int>(status.first));
        DebugLine(u"Label preview: GDI+ status " + std::u16string(code.begin(), code.end()));
    }
}

}  // namespace

int DrawLabelPreview(HDC dc, const RECT& area, const PaperRecord& paper, std::int32_t maxPrintableWidth,
                     std::uint16_t paperAlignment, const LabelPreviewOptions& options) {
    DebugLine(u"Enter DrawObjects.");
    Status status;
    {
        Gdiplus::Graphics graphics(dc);
        const auto width = static_cast<REAL>(area.right - area.left);
        const auto height = static_cast<REAL>(area.bottom - area.top);
        status += graphics.TranslateTransform(static_cast<REAL>(area.left), static_cast<REAL>(area.top));
        status += graphics.SetClip(Gdiplus::RectF(0, 0, width, height));
        Gdiplus::SolidBrush background{Color(kBackground)};
        status += graphics.FillRectangle(&background, 0.0f, 0.0f, width, height);
        DrawPrinter(graphics, status, width);
        const PreviewLayout layout = LayOutPreview(paper, maxPrintableWidth, paperAlignment);
        Gdiplus::GraphicsContainer container = graphics.BeginContainer();
        DrawStock(graphics, status, layout, options);
        status += graphics.EndContainer(container);
    }
    Report(status);
    DebugLine(u"Exit DrawObjects.");
    return 1;
}

void DrawEmptyPreview(HDC dc, const RECT& area) {
    Status status;
    Gdiplus::Graphics graphics(dc);
    const auto width = static_cast<REAL>(area.right - area.left);
    status += graphics.TranslateTransform(static_cast<REAL>(area.left), static_cast<REAL>(area.top));
    Gdiplus::SolidBrush background{Color(kBackground)};
    status += graphics.FillRectangle(&background, 0.0f, 0.0f, width, static_cast<REAL>(area.bottom - area.top));
    DrawPrinter(graphics, status, width);
    Report(status);
}

void PaintPreviewItem(const DRAWITEMSTRUCT& item, const PaperRecord* paper, std::int32_t maxPrintableWidth,
                      std::uint16_t paperAlignment, const LabelPreviewOptions& options) {
    const RECT& target = item.rcItem;
    const int width = target.right - target.left;
    const int height = target.bottom - target.top;
    if (width <= 0 || height <= 0) return;
    HDC memory = CreateCompatibleDC(item.hDC);
    if (!memory) return;
    ScopedGdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(item.hDC, width, height));
    if (bitmap) {
        const HGDIOBJ old = SelectObject(memory, bitmap.get());
        const RECT area{0, 0, width, height};
        if (paper) DrawLabelPreview(memory, area, *paper, maxPrintableWidth, paperAlignment, options);
        else DrawEmptyPreview(memory, area);
        BitBlt(item.hDC, target.left, target.top, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
    }
    DeleteDC(memory);
}

}  // namespace kelno
