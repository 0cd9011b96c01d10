#pragma once
// The link box's style sheet: the built-in sheet as stored text, a small parser for it, and the
// cascade that turns the rules matching a run's elements into the style it is drawn with.
//
// Supported: selectors `tag`, `.class`, `tag.class`, `tag:link`, `tag:hover` and comma lists of
// them (anything else, e.g. descendant selectors, never matches); the properties font-size (pt,
// px, em, %), font-family, font-weight, color, background-color, text-decoration and
// vertical-align. Every property is inherited by the elements inside. Unknown properties and
// values the box cannot read are skipped.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ui/html_markup.h"

namespace qv {

struct CssSelector {
    std::string tag;       // empty: any element
    std::string cssClass;  // empty: any class
    std::string pseudo;    // "", "link" or "hover"; others never match
    bool valid = true;
};

struct CssDeclaration {
    std::string property;  // lower case
    std::string value;     // trimmed, as written
};

struct CssRule {
    std::vector<CssSelector> selectors;
    std::vector<CssDeclaration> declarations;
};

using StyleSheet = std::vector<CssRule>;

// Never fails: a rule without its closing brace ends at the end of the text, declarations
// without a colon are dropped, /* comments */ are skipped.
StyleSheet ParseStyleSheet(std::string_view text);

// The built-in sheet exactly as stored: one rule per line, each line ended by CR LF.
std::string_view BuiltInStyleSheetText();
const StyleSheet& BuiltInStyleSheet();

enum class VerticalAlign : std::uint8_t { Baseline, Top, Bottom };

// Colours are 0x00BBGGRR, the layout of the system's colour values.
struct TextStyle {
    double fontSizePt = 12.0;
    std::vector<std::string> families;  // in order of preference
    std::uint32_t color = 0;
    bool bold = false;
    bool underline = false;
    VerticalAlign verticalAlign = VerticalAlign::Baseline;
    std::optional<std::uint32_t> background;

    bool operator==(const TextStyle&) const = default;
};

constexpr std::uint32_t Rgb(int r, int g, int b) {
    return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
           (static_cast<std::uint32_t>(b) << 16);
}

// "blue", "#ff9900", "#f90"; nullopt for anything else.
std::optional<std::uint32_t> ParseCssColor(std::string_view value);

// The style of text inside `elements` (outermost first): the body rules first, then for each
// element the rules that match it in order of specificity, later rules winning ties.
// `hovered` makes :hover match the link elements of the chain.
TextStyle ComputeStyle(const StyleSheet& sheet, std::span<const MarkupElement> elements,
                       bool hovered);

}  // namespace qv
