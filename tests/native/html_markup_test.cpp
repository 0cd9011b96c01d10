#include <gtest/gtest.h>

#include "ui/html_markup.h"

namespace qv {
namespace {

// "{b/a*}text#0": the open elements (".class" for a class, "*" for a link), the text and the
// anchor index; "<BR>" for a line break; runs separated by "|".
std::string DescribeRuns(const Markup& markup) {
    std::string out;
    for (const MarkupRun& run : markup.runs) {
        if (!out.empty()) {
            out += '|';
        }
        if (run.lineBreak) {
            out += "<BR>";
            continue;
        }
        out += '{';
        for (std::size_t i = 0; i < run.elements.size(); ++i) {
            const MarkupElement& e = run.elements[i];
            out += (i ? "/" : "") + e.tag + (e.cssClass.empty() ? "" : "." + e.cssClass) +
                   (e.link ? "*" : "");
        }
        out += '}' + run.text;
        if (run.anchor >= 0) {
            out += '#' + std::to_string(run.anchor);
        }
    }
    return out;
}

// "1:target,2:target"
std::string DescribeAnchors(const Markup& markup) {
    std::string out;
    for (const MarkupAnchor& a : markup.anchors) {
        out += (out.empty() ? "" : ",") + std::to_string(static_cast<int>(a.kind)) + ":" + a.target;
    }
    return out;
}

TEST(ParseMarkup, LinkLineHasTwoUrlLinksSeparatedByTwoSpaces) {
    const Markup markup = ParseMarkup(LinkLineMarkup());
    EXPECT_EQ(DescribeRuns(markup), "{}相关连接：|{a*}软件使用说明#0|{}  |{a*}Telmora论坛#1");
    EXPECT_EQ(DescribeAnchors(markup), std::string("1:") + QV_USAGE_URL + ",1:" + QV_FORUM_URL);
}

TEST(ParseMarkup, RunsElementsAndAnchors) {
    const struct {
        const char* markup;
        const char* runs;
        const char* anchors;
    } rows[] = {
        // text: GBK passes through, spaces are kept, line ends and tabs become one space
        {"相关连接：", "{}相关连接：", ""},
        {"a  b", "{}a  b", ""},
        {"a\r\nb\tc\nd\re", "{}a b c d e", ""},
        {"a&amp;b&lt;&gt;&quot;&#65;&#x42;&nbsp;&bogus;&#300;&", "{}a&b<>\"AB &bogus;&#300;&", ""},
        // nesting
        {"<b>x<i>y</i></b>z", "{b}x|{b/i}y|{}z", ""},
        {"<b><i>x</b>y", "{b/i}x|{}y", ""},  // closing the outer closes the inner
        {"<B>x</b>", "{b}x", ""},
        {"<span class=\"comment\">x</span>", "{span.comment}x", ""},
        // anchors: href/url are kind 1, msg/event kind 2, neither is no link
        {"<a href=\"u\">x</a>", "{a*}x#0", "1:u"},
        {"<a url=u>x</a>", "{a*}x#0", "1:u"},
        {"<a msg=\"m\">x</a>", "{a*}x#0", "2:m"},
        {"<A EVENT='e'>x</A>", "{a*}x#0", "2:e"},
        {"<a msg=m href=u>x</a>", "{a*}x#0", "1:u"},
        {"<a name=n>x</a>", "{a}x", ""},
        {"<a href=\"\">x</a>", "{a*}x#0", "1:"},
        {"<a href=\"x?a=1&amp;b=2\">x</a>", "{a*}x#0", "1:x?a=1&b=2"},
        {"<a href=u>x<b>y</b></a>", "{a*}x#0|{a*/b}y#0", "1:u"},
        {"<b><a href=u>x</a></b>", "{b/a*}x#0", "1:u"},
        // anchors do not nest: the inner one ends the outer, the stray end tag is dropped
        {"<a href=1>x<a href=2>y</a>z</a>", "{a*}x#0|{a*}y#1|{}z", "1:1,1:2"},
        // unknown tags and attributes
        {"<blink speed=9>x</blink>", "{blink}x", ""},
        {"<a title=\"t\" data-x href=u onclick='f()'>x</a>", "{a*}x#0", "1:u"},
        // malformed input
        {"a < b > c", "{}a < b > c", ""},
        {"x<a href=\"u>y", "{}x<a href=\"u>y", ""},
        {"x<a href=u", "{}x<a href=u", ""},
        {"x<b<i>y", "{}x<b|{i}y", ""},
        {"x</b>y", "{}xy", ""},
        {"<b>x", "{b}x", ""},
        {"x</>y<>z", "{}x</>y<>z", ""},
        {"x<!-- <b>c</b> -->y", "{}xy", ""},
        {"x<!-- never closed", "{}x", ""},
        {"<!DOCTYPE html>x", "{}x", ""},
        {"x<!", "{}x<!", ""},
        {"\xB0<b>x</b>", "{}\xB0|{b}x", ""},  // a stray high byte never swallows a '<'
        // line breaks, blocks, preformatted text, content that is not drawn
        {"a<br>b<br/>", "{}a|<BR>|{}b|<BR>", ""},
        {"a<p>b</p>c", "{}a|<BR>|{p}b|<BR>|{}c", ""},
        {"<pre>a\r\nb</pre>", "{pre}a|<BR>|{pre}b|<BR>", ""},
        {"<b/>x", "{}x", ""},
        {"<style>a {color: red}</style>x<TITLE>t</title>y<script>", "{}xy", ""},
    };
    for (const auto& row : rows) {
        const Markup markup = ParseMarkup(row.markup);
        EXPECT_EQ(DescribeRuns(markup), row.runs) << row.markup;
        EXPECT_EQ(DescribeAnchors(markup), row.anchors) << row.markup;
    }
}

}  // namespace
}  // namespace qv
