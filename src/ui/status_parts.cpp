#include "ui/status_parts.h"

#include <cstdint>
#include <limits>

namespace qv {

StatusParts InitialStatusParts() {
    return {
        {.width = 200, .text = "当前状态：", .tooltip = ""},
        {.width = 150, .text = "当前IP：", .tooltip = ""},
        {.width = kToRightEdge, .text = "之前IP：", .tooltip = ""},
    };
}

std::vector<int> RightEdges(const StatusParts& parts) {
    std::vector<int> edges(parts.size(), 0);
    std::int64_t sum = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (parts[i].width < 0) {
            edges[i] = kToRightEdge;
            break;
        }
        sum += parts[i].width;
        if (sum > std::numeric_limits<int>::max()) {
            sum = std::numeric_limits<int>::max();
        }
        edges[i] = static_cast<int>(sum);
    }
    return edges;
}

bool SetPartText(StatusParts& parts, int index, const Text& text) {
    if (index < 0 || static_cast<std::size_t>(index) >= parts.size()) {
        return false;
    }
    parts[static_cast<std::size_t>(index)].text = text;
    return true;
}

}  // namespace qv
