#include "driverui/docsheet/label_preview.h"

#include <algorithm>
#include <cmath>

namespace kelno {

namespace {

constexpr std::uint32_t kPaperKindBits = 15;
constexpr std::uint32_t kKindLabels = 1;
constexpr std::uint32_t kKindBlackMarks = 2;
constexpr float kSeparatorTop = 3.0f;  // continuous paper: the first page starts 3 pixels below the slot
constexpr float kArrowInset = 10.0f;   // arrows run 10 pixels inside the label's edge

// Count of labels or pages that fit: span / trunc(step); none when the step is below a pixel.
int FitCount(float span, float step) {
    const float whole = std::trunc(step);
    if (!(whole >= 1.0f) || span <= 0) return 0;
    return static_cast<int>(std::ceil(span / whole));
}

}  // namespace

PreviewPaperKind PaperKindOf(std::uint32_t paperFlags) {
    switch (paperFlags & kPaperKindBits) {
        case kKindLabels: return PreviewPaperKind::labels;
        case kKindBlackMarks: return PreviewPaperKind::blackMarks;
        default: return PreviewPaperKind::continuous;
    }
}

PreviewLayout LayOutPreview(const PaperRecord& paper, std::int32_t maxPrintableWidth, std::uint16_t paperAlignment) {
    PreviewLayout layout;
    const std::int32_t reference = maxPrintableWidth > 0 ? maxPrintableWidth : paper.width;
    layout.scale = reference > 0 ? kPreviewPaperArea / static_cast<double>(reference) : 0.0;
    const auto pixels = [&](std::int64_t micrometres) {
        return static_cast<float>(static_cast<double>(std::max<std::int64_t>(micrometres, 0)) * layout.scale);
    };
    layout.liner = pixels(paper.width);
    layout.left = pixels(paper.marginLeft);
    layout.right = pixels(paper.marginRight);
    layout.width = pixels(std::int64_t{paper.width} - paper.marginLeft - paper.marginRight);
    layout.height = pixels(paper.height);
    layout.gap = pixels(paper.gap);
    layout.gapOffset = pixels(paper.gapOffset);
    layout.kind = PaperKindOf(paper.flags);

    switch (paperAlignment) {
        case 1: layout.x = kPreviewPaperLeft; break;
        case 2: layout.x = kPreviewPaperArea - layout.liner + kPreviewPaperLeft; break;
        default: layout.x = (kPreviewPaperArea - layout.liner) * 0.5f + kPreviewPaperLeft; break;
    }
    layout.y = kPreviewPaperTop;
    layout.paperPath = {layout.x, layout.y, layout.liner, kPreviewPaperLength};

    const float labelX = layout.x + layout.left;
    const float w = layout.width;
    const float h = layout.height;
    const float g = layout.gap;
    const bool drawable = h >= 1.0f;

    if (layout.kind == PreviewPaperKind::labels) {
        const float top = layout.y + g * 0.5f;
        layout.first = {labelX, top, w, h};
        const int count = drawable ? FitCount(kPreviewPaperLength - g * 0.5f, g + h) : 0;
        float y0 = top;
        for (int i = 0; i < count; ++i, y0 += g + h) {
            PreviewLabel label{};
            label.rect = {labelX, y0, w, h};
            label.text = {labelX + (w - kPreviewTextWidth) * 0.5f, y0 + (h - kPreviewTextHeight) * 0.5f};
            label.centre = {labelX + w * 0.5f, y0 + h * 0.5f};
            layout.labels.push_back(label);
        }
        return layout;
    }

    const float top = layout.y + kSeparatorTop;
    layout.first = {labelX, top, w, h};
    layout.firstSeparator = {{labelX, top}, {labelX + w, top}};
    const int count = drawable ? FitCount(kPreviewPaperLength - kSeparatorTop, h) : 0;
    for (int i = 0; i < count; ++i) {
        const float pageTop = top + static_cast<float>(i) * h;
        const float next = top + static_cast<float>(i + 1) * h;
        PreviewLabel page{};
        page.rect = {labelX, pageTop, w, h};
        page.text = {labelX + (w - kPreviewTextWidth) * 0.5f, pageTop + (h - kPreviewTextHeight) * 0.5f};
        page.centre = {labelX + w * 0.5f, pageTop + h * 0.5f};
        page.separator = {{labelX, next}, {labelX + w, next}};
        if (layout.kind == PreviewPaperKind::blackMarks) page.mark = {labelX, next - g - layout.gapOffset, w, g};
        layout.labels.push_back(page);
    }
    return layout;
}

bool DimensionArrow(const PreviewLayout& layout, PreviewDimension dimension, PreviewLine& arrow) {
    const PreviewRect& r = layout.first;
    switch (dimension) {
        case PreviewDimension::width: arrow = {{r.x, r.y + kArrowInset}, {r.x + r.width, r.y + kArrowInset}}; break;
        case PreviewDimension::length: arrow = {{r.x + kArrowInset, r.y}, {r.x + kArrowInset, r.y + r.height}}; break;
        case PreviewDimension::left: arrow = {{layout.x, r.y + kArrowInset}, {r.x, r.y + kArrowInset}}; break;
        case PreviewDimension::right:
            arrow = {{r.x + r.width, r.y + kArrowInset}, {layout.x + layout.liner, r.y + kArrowInset}};
            break;
        case PreviewDimension::gap:
            if (layout.kind == PreviewPaperKind::labels) {
                arrow = {{r.x + kArrowInset, r.y + r.height}, {r.x + kArrowInset, r.y + r.height + layout.gap}};
            } else {
                const float bottom = r.y + r.height - layout.gapOffset;
                arrow = {{r.x + kArrowInset, bottom - layout.gap}, {r.x + kArrowInset, bottom}};
            }
            break;
        case PreviewDimension::offset: {
            if (layout.kind != PreviewPaperKind::blackMarks) return false;
            const float separator = r.y + r.height;
            arrow = {{r.x + kArrowInset, separator - layout.gapOffset}, {r.x + kArrowInset, separator}};
            break;
        }
        default: return false;
    }
    const float dx = arrow.to.x - arrow.from.x;
    const float dy = arrow.to.y - arrow.from.y;
    return dx * dx + dy * dy >= 1.0f;
}

int PreviewAngle(bool landscape, bool rotated180) {
    if (landscape) return rotated180 ? 90 : 270;
    return rotated180 ? 180 : 0;
}

}  // namespace kelno
