#pragma once
// The geometry of the label preview: a printer top seen from above with the chosen stock coming
// out of its paper slot, drawn into a small frame. The model's widest label is drawn 144 pixels
// wide; labels with gaps, continuous paper and black-mark paper are laid out at the model's
// paper alignment. Everything here is in device pixels; the drawing itself (GDI+) is
// driverui/docsheet/win/label_preview_drawing.h.
#include <cstdint>
#include <vector>

#include "driverui/core/paper_record.h"

namespace kelno {

struct PreviewRect {
    float x, y, width, height;
};
struct PreviewPoint {
    float x, y;
};
struct PreviewLine {
    PreviewPoint from, to;
};

// The frame's fixed parts.
inline constexpr float kPreviewPaperArea = 144.0f;    // pixels of the model's widest label
inline constexpr float kPreviewPaperLeft = 26.0f;     // left end of that width
inline constexpr float kPreviewPaperTop = 34.0f;      // where the paper leaves the slot
inline constexpr float kPreviewPaperLength = 226.0f;  // pixels of paper shown
inline constexpr float kPreviewTextWidth = 48.0f;     // "123" is centred as a box of 48 x 25
inline constexpr float kPreviewTextHeight = 25.0f;

// The paper kinds by the low four bits of the paper flags.
enum class PreviewPaperKind { labels, blackMarks, continuous };
PreviewPaperKind PaperKindOf(std::uint32_t paperFlags);

// The dimensions the stock editor marks with an arrow.
enum class PreviewDimension { none = 0, width, length, left, right, gap, offset };

struct PreviewLabel {
    PreviewRect rect;       // the label (labels with gaps) or the page of continuous paper
    PreviewPoint text;      // top left of "123" before it is turned
    PreviewPoint centre;    // what "123" is turned and mirrored about
    PreviewLine separator;  // dashed line after the page (continuous and black-mark paper)
    PreviewRect mark;       // the black mark above the separator (black-mark paper)
};

struct PreviewLayout {
    double scale = 0;     // pixels per micrometre
    float x = 0, y = 0;   // left and top of the paper path
    float liner = 0;      // pixels of the paper path: the whole stock width
    float left = 0;       // exposed liner on the left
    float right = 0;      // exposed liner on the right
    float width = 0;      // the label between the liners
    float height = 0;     // label or page length
    float gap = 0;        // gap or black mark height
    float gapOffset = 0;  // black mark offset
    PreviewPaperKind kind = PreviewPaperKind::labels;
    PreviewRect paperPath{};       // the liner
    PreviewLine firstSeparator{};  // continuous and black-mark paper: the dashed line at the top
    PreviewRect first{};           // the first label or page: what the arrows measure
    std::vector<PreviewLabel> labels;
};

// Lays the stock out for a model whose widest label is maxPrintableWidth micrometres, at its
// paper alignment (0 centre, 1 left, 2 right; other values centre). A model without a width
// draws the stock itself 144 pixels wide. Labels or pages shorter than a pixel are not drawn.
PreviewLayout LayOutPreview(const PaperRecord& paper, std::int32_t maxPrintableWidth, std::uint16_t paperAlignment);

// The red arrow that marks a dimension of the first label; nothing when there is none to mark
// (no dimension, or one of zero length).
bool DimensionArrow(const PreviewLayout& layout, PreviewDimension dimension, PreviewLine& arrow);

// The preview angle of a print direction: portrait 0, landscape 270, portrait turned 180,
// landscape turned 90.
int PreviewAngle(bool landscape, bool rotated180);

}  // namespace kelno
