#include <limits>

#include <gtest/gtest.h>

#include "ui/status_parts.h"

namespace qv {
namespace {

StatusParts Widths(std::initializer_list<int> widths) {
    StatusParts parts;
    for (int w : widths) {
        parts.push_back({.width = w, .text = "", .tooltip = ""});
    }
    return parts;
}

TEST(RightEdges, RunningSumEndsAtThePartThatFillsTheRest) {
    constexpr int kMax = std::numeric_limits<int>::max();
    const struct {
        StatusParts parts;
        std::vector<int> expected;
    } rows[] = {
        {InitialStatusParts(), {200, 350, -1}},
        {Widths({}), {}},
        {Widths({-1}), {-1}},
        {Widths({100, 50}), {100, 150}},
        {Widths({100, -1, 40, 60}), {100, -1, 0, 0}},  // parts after the rest keep 0
        {Widths({0, 10}), {0, 10}},
        {Widths({10, -7, 5}), {10, -1, 0}},             // any negative width fills the rest
        {Widths({kMax, kMax, 5}), {kMax, kMax, kMax}},  // no overflow
    };
    for (const auto& row : rows) {
        EXPECT_EQ(RightEdges(row.parts), row.expected);
    }
}

TEST(InitialStatusParts, HoldsTheThreeStartTexts) {
    const StatusParts parts = InitialStatusParts();
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0].text, "当前状态：");
    EXPECT_EQ(parts[1].text, "当前IP：");
    EXPECT_EQ(parts[2].text, "之前IP：");
    for (const StatusPart& p : parts) {
        EXPECT_EQ(p.style, part_style::kSunken);
        EXPECT_EQ(p.tooltip, "");
    }
}

TEST(SetPartText, StoresInRangeAndIgnoresOutOfRange) {
    const struct {
        int index;
        bool stored;
    } rows[] = {
        {0, true}, {2, true}, {3, false}, {-1, false}, {std::numeric_limits<int>::min(), false}};
    for (const auto& row : rows) {
        StatusParts parts = InitialStatusParts();
        const StatusParts before = parts;
        EXPECT_EQ(SetPartText(parts, row.index, "当前IP：10.1.2.3"), row.stored) << row.index;
        for (int i = 0; i < 3; ++i) {
            const bool changed = row.stored && i == row.index;
            EXPECT_EQ(parts[static_cast<std::size_t>(i)].text,
                      changed ? "当前IP：10.1.2.3" : before[static_cast<std::size_t>(i)].text);
        }
    }
}

TEST(SetPartText, EmptyTextEmptiesThePartAndLongTextGrowsIt) {
    StatusParts parts = InitialStatusParts();
    EXPECT_TRUE(SetPartText(parts, 1, ""));
    EXPECT_EQ(parts[1].text, "");
    const Text longText(5000, 'x');
    EXPECT_TRUE(SetPartText(parts, 1, longText));
    EXPECT_EQ(parts[1].text, longText);
}

}  // namespace
}  // namespace qv
