#include <gtest/gtest.h>

#include "ui/css_sheet.h"

namespace qv {
namespace {

// "sel1,sel2{prop:value;prop:value}" per rule, rules separated by newlines.
std::string DescribeSheet(const StyleSheet& sheet) {
    std::string out;
    for (const CssRule& rule : sheet) {
        for (std::size_t i = 0; i < rule.selectors.size(); ++i) {
            const CssSelector& s = rule.selectors[i];
            out += (i ? "," : "") + s.tag + (s.cssClass.empty() ? "" : "." + s.cssClass) +
                   (s.pseudo.empty() ? "" : ":" + s.pseudo) + (s.valid ? "" : "!");
        }
        out += '{';
        for (std::size_t i = 0; i < rule.declarations.size(); ++i) {
            out +=
                (i ? ";" : "") + rule.declarations[i].property + ":" + rule.declarations[i].value;
        }
        out += "}\n";
    }
    return out;
}

TEST(BuiltInStyleSheet, StoredAsOneRulePerCrLfLine) {
    const std::string_view text = BuiltInStyleSheetText();
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    int lines = 0;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string_view::npos);
        const std::string_view line = text.substr(start, end - start);
        EXPECT_EQ(line.find_first_of("\r\n"), std::string_view::npos) << line;
        EXPECT_EQ(line.back(), '}') << line;
        if (line.find("font-family") != std::string_view::npos) {
            EXPECT_NE(line.find("font-family: \"宋体\", "), std::string_view::npos) << line;
        }
        ++lines;
        start = end + 2;
    }
    EXPECT_EQ(lines, 17);
}

TEST(BuiltInStyleSheet, HoldsExactlyTheBoxRules) {
    const std::string expected =
        "body{font-size:9pt;color:black;font-family:\"宋体\", Verdana}\n"
        "p{font-size:9pt;color:black;font-family:\"宋体\", Verdana}\n"
        "h1{font-size:14pt;color:black;font-family:\"宋体\", Verdana;font-weight:bold}\n"
        "h2{font-size:13pt;color:#ff9900;font-family:\"宋体\", Verdana;font-weight:bold}\n"
        "h3{font-size:12pt;color:#ff9900;font-family:\"宋体\", Arial;font-weight:bold}\n"
        "h4{font-size:10pt;color:black;font-family:\"宋体\", Verdana;font-weight:bold}\n"
        "h5{font-size:9pt;color:#ff9900;font-family:\"宋体\", Verdana;font-weight:bold}\n"
        "h6{font-size:65%;color:#626262;font-family:\"宋体\", Verdana;font-weight:normal}\n"
        "pre{font-size:9pt;font-family:\"宋体\", \"Courier\";background-color:#fbedbb}\n"
        "code{color:#990000;font-family:\"宋体\", Arial}\n"
        "a:link{text-decoration:none;color:blue}\n"
        "a:hover{text-decoration:underline;color:blue}\n"
        "sub{font-size:65%;vertical-align:bottom}\n"
        "sup{font-size:65%;vertical-align:top}\n"
        "big{font-size:125%}\n"
        "small{font-size:75%}\n"
        ".comment{color:green}\n";
    EXPECT_EQ(DescribeSheet(BuiltInStyleSheet()), expected);
}

TEST(ParseStyleSheet, ToleratesMalformedAndUnknownInput) {
    const struct {
        const char* text;
        const char* expected;
    } rows[] = {
        {"/* c */ P { COLOR : Blue ; } ", "p{color:Blue}\n"},
        {"p {color: red", "p{color:red}\n"},  // no closing brace
        {"p {color red; font-weight: bold}", "p{font-weight:bold}\n"},
        {"p {color: red !important}", "p{color:red}\n"},
        {"h1, p.note , a:hover {x: 1}", "h1,p.note,a:hover{x:1}\n"},
        {"div p {color: red} #id {color: red}", "div!{color:red}\n!{color:red}\n"},  // never match
        {"p {font-family: \"A; B\", C}", "p{font-family:\"A; B\", C}\n"},
        {"{color: red} p {}", "p{}\n"},  // a rule without selector is dropped
        {"p {color: red /* never closed", "p{color:red}\n"},
        {"no rules here", ""},
    };
    for (const auto& row : rows) {
        const std::string described = DescribeSheet(ParseStyleSheet(row.text));
        EXPECT_EQ(described, row.expected) << row.text;
    }
}

TEST(ParseCssColor, NamesAndHexForms) {
    const struct {
        const char* text;
        std::optional<std::uint32_t> expected;
    } rows[] = {
        {"black", Rgb(0, 0, 0)},
        {"blue", Rgb(0, 0, 255)},
        {"Green", Rgb(0, 128, 0)},
        {"#ff9900", Rgb(255, 0x99, 0)},
        {"#626262", Rgb(0x62, 0x62, 0x62)},
        {" #F90 ", Rgb(255, 0x99, 0)},
        {"bluish", std::nullopt},
        {"#12345", std::nullopt},
        {"#gg0000", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ParseCssColor(row.text), row.expected) << row.text;
    }
}

MarkupElement E(const char* tag, const char* cssClass = "", bool link = false) {
    return MarkupElement{tag, cssClass, link};
}

TEST(ComputeStyle, BuiltInSheetStylesBodyLinksAndElements) {
    const std::vector<std::string> verdana = {"宋体", "Verdana"};
    TextStyle body;
    body.fontSizePt = 9;
    body.families = verdana;
    TextStyle link = body;
    link.color = Rgb(0, 0, 255);
    TextStyle hovered = link;
    hovered.underline = true;
    TextStyle h2 = body;
    h2.fontSizePt = 13;
    h2.color = Rgb(255, 0x99, 0);
    h2.bold = true;
    TextStyle h6 = body;
    h6.fontSizePt = 9 * 0.65;
    h6.color = Rgb(0x62, 0x62, 0x62);
    TextStyle pre = body;
    pre.families = {"宋体", "Courier"};
    pre.background = Rgb(0xfb, 0xed, 0xbb);
    TextStyle bigSmall = body;
    bigSmall.fontSizePt = 9 * 1.25 * 0.75;
    TextStyle sup = body;
    sup.fontSizePt = 9 * 0.65;
    sup.verticalAlign = VerticalAlign::Top;
    TextStyle sub = sup;
    sub.verticalAlign = VerticalAlign::Bottom;
    TextStyle comment = body;
    comment.color = Rgb(0, 128, 0);
    TextStyle h1Link = link;
    h1Link.fontSizePt = 14;
    h1Link.bold = true;

    const struct {
        const char* name;
        std::vector<MarkupElement> elements;
        bool hovered;
        const TextStyle& expected;
    } rows[] = {
        {"body text", {}, false, body},
        {"body text while a link is hovered", {}, true, body},
        {"link", {E("a", "", true)}, false, link},
        {"hovered link", {E("a", "", true)}, true, hovered},
        {"anchor without target", {E("a")}, true, body},
        {"unknown element", {E("blink", "x")}, false, body},
        {"h2", {E("h2")}, false, h2},
        {"h6 percent of body", {E("h6")}, false, h6},
        {"pre", {E("pre")}, false, pre},
        {"big then small", {E("big"), E("small")}, false, bigSmall},
        {"sup", {E("sup")}, false, sup},
        {"sub", {E("sub")}, false, sub},
        {"comment class", {E("span", "comment")}, false, comment},
        {"comment among classes", {E("p", "x comment")}, false, comment},
        {"link in h1", {E("h1"), E("a", "", true)}, false, h1Link},
        {"explicit body", {E("body")}, false, body},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ComputeStyle(BuiltInStyleSheet(), row.elements, row.hovered), row.expected)
            << row.name;
    }
}

TEST(ComputeStyle, ClassRuleBeatsLaterTypeRule) {
    const StyleSheet sheet = ParseStyleSheet(
        ".x {color: red}\r\np {color: blue}\r\n"
        "p {color: navy; font-size: 2em}\r\n");
    const std::vector<MarkupElement> plain = {E("p")};
    const std::vector<MarkupElement> classed = {E("p", "x")};
    EXPECT_EQ(ComputeStyle(sheet, plain, false).color, Rgb(0, 0, 128));  // later rule wins
    EXPECT_EQ(ComputeStyle(sheet, classed, false).color, Rgb(255, 0, 0));
    EXPECT_EQ(ComputeStyle(sheet, plain, false).fontSizePt, 24);  // 2em of the default 12pt
}

TEST(ComputeStyle, UnreadableValuesKeepTheInheritedStyle) {
    const StyleSheet sheet = ParseStyleSheet(
        "p {color: bluish; font-size: big; font-weight: heavy; font-family: ; "
        "text-decoration: blink; vertical-align: middle; font-size: -3pt}");
    const std::vector<MarkupElement> p = {E("p")};
    EXPECT_EQ(ComputeStyle(sheet, p, false), TextStyle());
}

TEST(ComputeStyle, FontSizesNoFontCanTakeKeepTheInheritedSize) {
    const std::string huge(400, '9');
    const std::string tiny = "0." + std::string(330, '0') + "5";
    const StyleSheet sheet = ParseStyleSheet("p {font-size: " + huge + "pt} b {font-size: " + tiny +
                                             "pt} i {font-size: 1" + std::string(200, '0') + "em}");
    const std::vector<MarkupElement> p = {E("p")}, b = {E("b")}, i = {E("i")},
                                     ii = {E("i"), E("i")};
    EXPECT_EQ(ComputeStyle(sheet, p, false).fontSizePt, 12);
    EXPECT_EQ(ComputeStyle(sheet, b, false).fontSizePt, 12);
    EXPECT_GT(ComputeStyle(sheet, i, false).fontSizePt, 1e200);
    EXPECT_EQ(ComputeStyle(sheet, ii, false).fontSizePt, ComputeStyle(sheet, i, false).fontSizePt);
}

}  // namespace
}  // namespace qv
