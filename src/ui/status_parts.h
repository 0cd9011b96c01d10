#pragma once
// The status bar's own part list and the right edges laid out from it. The control is
// re-laid out from this copy, so texts set earlier survive a re-layout.
#include <cstdint>
#include <vector>

#include "base/text.h"

namespace qv {

// Text drawing flags of a part, added to the part index when its text is set.
namespace part_style {
inline constexpr std::uint32_t kSunken = 0;
inline constexpr std::uint32_t kNoBorder = 256;
inline constexpr std::uint32_t kRaised = 512;
}  // namespace part_style

inline constexpr int kToRightEdge = -1;  // width and right edge of a part that fills the rest

struct StatusPart {
    int width = 0;  // pixels; negative: up to the right edge of the bar
    std::uint32_t style = part_style::kSunken;
    Text text;
    Text tooltip;
};

using StatusParts = std::vector<StatusPart>;

// 状态条1 as the form creates it: 200, 150 and the rest.
StatusParts InitialStatusParts();

// Running sum of the widths. The first part with a negative width gets the edge -1 (to
// the edge of the bar) and ends the sum; parts after it keep the edge 0. Sums beyond the
// 32-bit range stop at its maximum.
std::vector<int> RightEdges(const StatusParts& parts);

// Stores `text` for part `index`; false (and no change) for an index outside the list.
bool SetPartText(StatusParts& parts, int index, const Text& text);

}  // namespace qv
