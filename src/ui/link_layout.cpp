#include "ui/link_layout.h"

#include <algorithm>

namespace qv {
namespace {

struct PendingPiece {
    PlacedText piece;
    TextExtent extent;
};

class LineBuilder {
  public:
    LineBuilder(const Markup& markup, LinkLayout& out) : markup_(markup), out_(out) {}

    void Add(PlacedText piece, const TextExtent& extent) {
        piece.rect.left = x_;
        piece.rect.right = x_ + extent.width;
        x_ += extent.width;
        line_.push_back({std::move(piece), extent});
    }

    // Ends the current line; an empty line takes the height of `empty`.
    void Finish(const TextExtent& empty) {
        int ascent = 0, descent = 0, tall = 0;
        if (line_.empty()) {
            ascent = empty.ascent;
            descent = empty.height - empty.ascent;
        }
        for (const PendingPiece& p : line_) {
            if (p.piece.style.verticalAlign == VerticalAlign::Baseline) {
                ascent = std::max(ascent, p.extent.ascent);
                descent = std::max(descent, p.extent.height - p.extent.ascent);
            } else {
                tall = std::max(tall, p.extent.height);
            }
        }
        const int height = std::max(ascent + descent, tall);
        const std::size_t firstLinkOfLine = out_.links.size();
        for (PendingPiece& p : line_) {
            int pieceTop = top_ + ascent - p.extent.ascent;
            if (p.piece.style.verticalAlign == VerticalAlign::Top) {
                pieceTop = top_;
            } else if (p.piece.style.verticalAlign == VerticalAlign::Bottom) {
                pieceTop = top_ + height - p.extent.height;
            }
            p.piece.rect.top = pieceTop;
            p.piece.rect.bottom = pieceTop + p.extent.height;
            p.piece.baseline = pieceTop + p.extent.ascent;
            if (p.piece.anchor >= 0) {
                RecordLink(p.piece, firstLinkOfLine);
            }
            out_.pieces.push_back(std::move(p.piece));
        }
        top_ += height;
        x_ = 0;
        line_.clear();
    }

    bool Empty() const { return line_.empty(); }

  private:
    void RecordLink(const PlacedText& piece, std::size_t firstLinkOfLine) {
        if (out_.links.size() > firstLinkOfLine && out_.links.back().anchor == piece.anchor) {
            Rect& r = out_.links.back().rect;
            r.left = std::min(r.left, piece.rect.left);
            r.top = std::min(r.top, piece.rect.top);
            r.right = std::max(r.right, piece.rect.right);
            r.bottom = std::max(r.bottom, piece.rect.bottom);
            return;
        }
        const MarkupAnchor& anchor = markup_.anchors[static_cast<std::size_t>(piece.anchor)];
        out_.links.push_back({piece.rect, anchor.kind, anchor.target, piece.anchor});
    }

    const Markup& markup_;
    LinkLayout& out_;
    std::vector<PendingPiece> line_;
    int x_ = 0;
    int top_ = 0;
};

}  // namespace

LinkLayout LayOutMarkup(const Markup& markup, const StyleSheet& sheet, const MeasureText& measure) {
    LinkLayout out;
    LineBuilder line(markup, out);
    for (const MarkupRun& run : markup.runs) {
        TextStyle style = ComputeStyle(sheet, run.elements, false);
        if (run.lineBreak) {
            line.Finish(measure(style, {}));
            continue;
        }
        const TextExtent extent = measure(style, run.text);
        TextStyle hoverStyle = run.anchor >= 0 ? ComputeStyle(sheet, run.elements, true) : style;
        line.Add(PlacedText{run.text, {}, 0, std::move(style), std::move(hoverStyle), run.anchor},
                 extent);
    }
    if (!line.Empty()) {
        line.Finish({});
    }
    return out;
}

int HitTestLinks(const std::vector<LinkRecord>& links, int x, int y) {
    for (std::size_t i = 0; i < links.size(); ++i) {
        if (links[i].rect.Contains(x, y)) {
            return static_cast<int>(i);
        }
    }
    return kNoLink;
}

}  // namespace qv
