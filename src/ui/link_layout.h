#pragma once
// Layout of the link box: places the markup's runs left to right from the box's top-left
// corner, starts a new line only at line breaks (the box is one line; what does not fit is
// clipped, never wrapped), aligns pieces on a common baseline and records the links.
//
// Pieces are laid out in their a:link style; a hovered link is drawn in its a:hover style at
// the same place, so hovering never moves text.
#include <functional>
#include <string_view>
#include <vector>

#include "ui/css_sheet.h"
#include "ui/html_markup.h"

namespace qv {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;

    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const Rect&) const = default;
};

struct TextExtent {
    int width = 0;
    int height = 0;
    int ascent = 0;
};

// Measures `text` drawn in `style` (the font's cell height and ascent even for empty text).
using MeasureText = std::function<TextExtent(const TextStyle& style, std::string_view text)>;

struct PlacedText {
    Text text;
    Rect rect;
    int baseline = 0;  // y of the baseline in client coordinates
    TextStyle style;
    TextStyle hoverStyle;  // equal to style outside links
    int anchor = -1;
};

// One record per link and line: a link broken by a line break has one record per line.
struct LinkRecord {
    Rect rect;
    LinkKind kind = LinkKind::None;
    Text target;
    int anchor = -1;
};

struct LinkLayout {
    std::vector<PlacedText> pieces;
    std::vector<LinkRecord> links;
};

LinkLayout LayOutMarkup(const Markup& markup, const StyleSheet& sheet, const MeasureText& measure);

inline constexpr int kNoLink = -2;

// The index of the first link whose rectangle holds the point, kNoLink when none does.
int HitTestLinks(const std::vector<LinkRecord>& links, int x, int y);

}  // namespace qv
