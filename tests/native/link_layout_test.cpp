#include <cmath>

#include <gtest/gtest.h>

#include "ui/link_layout.h"

namespace qv {
namespace {

// A font whose cell is 4/3 of its point size tall with 5/6 of it above the baseline and whose
// every byte is half the cell wide: 9pt gives 12 pixels, 6 per ASCII byte, 12 per GBK character.
TextExtent FakeMeasure(const TextStyle& style, std::string_view text) {
    const int height = static_cast<int>(std::lround(style.fontSizePt * 4 / 3));
    return {static_cast<int>(text.size()) * height / 2, height, height * 5 / 6};
}

LinkLayout LayOut(std::string_view markup) {
    return LayOutMarkup(ParseMarkup(markup), BuiltInStyleSheet(), &FakeMeasure);
}

TEST(LayOutMarkup, LinkLinePlacesBothLinksOnOneLine) {
    const LinkLayout layout = LayOut(LinkLineMarkup());
    ASSERT_EQ(layout.links.size(), 2u);
    // "相关连接：" is 60 wide, "软件使用说明" 72, two spaces 12, "Telmora论坛" 66: 210 of 211.
    EXPECT_EQ(layout.links[0].rect, (Rect{60, 0, 132, 12}));
    EXPECT_EQ(layout.links[1].rect, (Rect{144, 0, 210, 12}));
    EXPECT_EQ(layout.links[0].kind, LinkKind::Url);
    EXPECT_EQ(layout.links[1].kind, LinkKind::Url);
    EXPECT_EQ(layout.links[0].target, QV_USAGE_URL);
    EXPECT_EQ(layout.links[1].target, QV_FORUM_URL);

    const std::uint32_t black = Rgb(0, 0, 0), blue = Rgb(0, 0, 255);
    const struct {
        const char* text;
        std::uint32_t color;
        bool underlinedWhenHovered;
    } pieces[] = {{"相关连接：", black, false},
                  {"软件使用说明", blue, true},
                  {"  ", black, false},
                  {"Telmora论坛", blue, true}};
    ASSERT_EQ(layout.pieces.size(), std::size(pieces));
    for (std::size_t i = 0; i < std::size(pieces); ++i) {
        const PlacedText& p = layout.pieces[i];
        EXPECT_EQ(p.text, pieces[i].text);
        EXPECT_EQ(p.style.color, pieces[i].color) << i;
        EXPECT_FALSE(p.style.underline) << i;
        EXPECT_EQ(p.hoverStyle.underline, pieces[i].underlinedWhenHovered) << i;
        EXPECT_EQ(p.style.fontSizePt, 9) << i;
        EXPECT_EQ(p.baseline, 10) << i;
    }
}

TEST(HitTestLinks, FirstLinkHoldingThePointElseNone) {
    const LinkLayout layout = LayOut(LinkLineMarkup());
    const struct {
        int x, y, expected;
    } rows[] = {
        {60, 0, 0},    {131, 11, 0}, {100, 6, 0},  {144, 0, 1},  {209, 11, 1},
        {59, 5, -2},   {132, 5, -2}, {143, 5, -2}, {210, 5, -2}, {100, 12, -2},
        {100, -1, -2}, {0, 0, -2},   {-5, 5, -2},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(HitTestLinks(layout.links, row.x, row.y), row.expected) << row.x << "," << row.y;
    }
    // Overlapping rectangles: the first in list order wins.
    const std::vector<LinkRecord> overlapping = {{{0, 0, 10, 10}, LinkKind::Url, "a", 0},
                                                 {{5, 0, 20, 10}, LinkKind::Url, "b", 1}};
    EXPECT_EQ(HitTestLinks(overlapping, 7, 5), 0);
    EXPECT_EQ(HitTestLinks(overlapping, 12, 5), 1);
    EXPECT_EQ(HitTestLinks({}, 0, 0), kNoLink);
}

TEST(LayOutMarkup, LinkRecordsFollowPiecesAndLines) {
    const struct {
        const char* markup;
        std::vector<Rect> links;
    } rows[] = {
        {"<a href=u>x<b>y</b></a>", {{0, 0, 12, 12}}},  // pieces of one link on one line merge
        {"ab<a href=u>x<br>y</a>", {{12, 0, 18, 12}, {0, 12, 6, 24}}},  // one record per line
        {"<a name=n>x</a><a msg=m>y</a>", {{6, 0, 12, 12}}},  // an anchor without target is text
        {"<br><br><a href=u>x</a>", {{0, 24, 6, 36}}},        // empty lines keep their height
        {"<a href=u>x</a><a href=v>y</a>", {{0, 0, 6, 12}, {6, 0, 12, 12}}},
    };
    for (const auto& row : rows) {
        const LinkLayout layout = LayOut(row.markup);
        std::vector<Rect> rects;
        for (const LinkRecord& link : layout.links) {
            rects.push_back(link.rect);
        }
        EXPECT_EQ(rects, row.links) << row.markup;
    }
}

TEST(LayOutMarkup, PiecesShareTheBaselineUnlessAlignedTopOrBottom) {
    // big: 11.25pt -> 15 tall, ascent 12; sup/sub: 5.85pt -> 8 tall, ascent 6; body 12 / 10.
    const struct {
        const char* markup;
        std::vector<Rect> pieces;
    } rows[] = {
        {"<big>A</big>b", {{0, 0, 7, 15}, {7, 2, 13, 14}}},
        {"x<sup>2</sup>", {{0, 0, 6, 12}, {6, 0, 10, 8}}},
        {"x<sub>2</sub>", {{0, 0, 6, 12}, {6, 4, 10, 12}}},
        {"x<br><big>y</big>", {{0, 0, 6, 12}, {0, 12, 7, 27}}},
    };
    for (const auto& row : rows) {
        const LinkLayout layout = LayOut(row.markup);
        std::vector<Rect> rects;
        for (const PlacedText& piece : layout.pieces) {
            rects.push_back(piece.rect);
        }
        EXPECT_EQ(rects, row.pieces) << row.markup;
    }
}

}  // namespace
}  // namespace qv
