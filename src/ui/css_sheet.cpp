#include "ui/css_sheet.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

// clang-format off
constexpr std::string_view kBuiltInSheet =
    "body {font-size: 9pt; color: black; font-family: \"宋体\", Verdana}\r\n"
    "p {font-size: 9pt; color: black; font-family: \"宋体\", Verdana}\r\n"
    "h1 {font-size: 14pt; color: black; font-family: \"宋体\", Verdana; font-weight: bold}\r\n"
    "h2 {font-size: 13pt; color: #ff9900; font-family: \"宋体\", Verdana; font-weight: bold}\r\n"
    "h3 {font-size: 12pt; color: #ff9900; font-family: \"宋体\", Arial; font-weight: bold}\r\n"
    "h4 {font-size: 10pt; color: black; font-family: \"宋体\", Verdana; font-weight: bold}\r\n"
    "h5 {font-size: 9pt; color: #ff9900; font-family: \"宋体\", Verdana; font-weight: bold}\r\n"
    "h6 {font-size: 65%; color: #626262; font-family: \"宋体\", Verdana; font-weight: normal}\r\n"
    "pre {font-size: 9pt; font-family: \"宋体\", \"Courier\"; background-color: #fbedbb}\r\n"
    "code {color: #990000; font-family: \"宋体\", Arial}\r\n"
    "a:link {text-decoration: none; color: blue}\r\n"
    "a:hover {text-decoration: underline; color: blue}\r\n"
    "sub {font-size: 65%; vertical-align: bottom}\r\n"
    "sup {font-size: 65%; vertical-align: top}\r\n"
    "big {font-size: 125%}\r\n"
    "small {font-size: 75%}\r\n"
    ".comment {color: green}\r\n";
// clang-format on

// The next `stop` character that is not inside a quoted string, or npos.
std::size_t FindOutsideQuotes(std::string_view s, char stop, std::size_t from = 0) {
    char quote = 0;
    for (std::size_t i = from; i < s.size(); ++i) {
        if (quote) {
            if (s[i] == quote) {
                quote = 0;
            }
        } else if (s[i] == '"' || s[i] == '\'') {
            quote = s[i];
        } else if (s[i] == stop) {
            return i;
        }
    }
    return std::string_view::npos;
}

std::vector<std::string_view> SplitOutsideQuotes(std::string_view s, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t at = FindOutsideQuotes(s, separator, start);
        parts.push_back(s.substr(start, at == std::string_view::npos ? s.npos : at - start));
        if (at == std::string_view::npos) {
            return parts;
        }
        start = at + 1;
    }
}

std::string StripComments(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        if (s.substr(i, 2) == "/*") {
            const std::size_t close = s.find("*/", i + 2);
            i = close == std::string_view::npos ? s.size() : close + 2;
            out += ' ';
        } else {
            out += s[i++];
        }
    }
    return out;
}

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

CssSelector ParseSelector(std::string_view text) {
    CssSelector selector;
    std::size_t i = 0;
    while (i < text.size() && IsNameChar(text[i])) {
        ++i;
    }
    selector.tag = AsciiLower(text.substr(0, i));
    if (i < text.size() && text[i] == '*' && i == 0) {
        ++i;
    }
    while (i < text.size()) {
        const char kind = text[i++];
        const std::size_t start = i;
        while (i < text.size() && IsNameChar(text[i])) {
            ++i;
        }
        const std::string_view name = text.substr(start, i - start);
        std::string& slot = kind == '.' ? selector.cssClass : selector.pseudo;
        if ((kind != '.' && kind != ':') || name.empty() || !slot.empty()) {
            selector.valid = false;  // descendant, id, attribute or compound beyond one of each
            return selector;
        }
        slot = kind == '.' ? std::string(name) : AsciiLower(name);
    }
    selector.valid = !text.empty();
    return selector;
}

int Specificity(const CssSelector& s) {
    return (s.cssClass.empty() ? 0 : 10) + (s.pseudo.empty() ? 0 : 10) + (s.tag.empty() ? 0 : 1);
}

bool HasClass(std::string_view classes, std::string_view wanted) {
    for (std::size_t start = 0; start < classes.size();) {
        while (start < classes.size() && IsAsciiSpace(classes[start])) {
            ++start;
        }
        std::size_t end = start;
        while (end < classes.size() && !IsAsciiSpace(classes[end])) {
            ++end;
        }
        if (end > start && classes.substr(start, end - start) == wanted) {
            return true;
        }
        start = end;
    }
    return false;
}

bool Matches(const CssSelector& s, const MarkupElement& e, bool hovered) {
    if (!s.valid || (!s.tag.empty() && s.tag != e.tag) ||
        (!s.cssClass.empty() && !HasClass(e.cssClass, s.cssClass))) {
        return false;
    }
    if (s.pseudo.empty()) {
        return true;
    }
    if (s.pseudo == "link") {
        return e.link;
    }
    return s.pseudo == "hover" && e.link && hovered;
}

// A plain decimal number at the start of `s`; the count of bytes read is stored in `used`.
std::optional<double> ReadNumber(std::string_view s, std::size_t& used) {
    double value = 0;
    double scale = 0.1;
    bool digits = false;
    // Not `scale == 0`: a long fraction underflows the scale to 0 and would read on as digits
    // of the integer part.
    bool fraction = false;
    std::size_t i = 0;
    for (; i < s.size(); ++i) {
        if (s[i] >= '0' && s[i] <= '9') {
            digits = true;
            if (!fraction) {
                value = value * 10 + (s[i] - '0');
            } else {
                value += (s[i] - '0') * scale;
                scale /= 10;
            }
        } else if (s[i] == '.' && !fraction) {
            fraction = true;
        } else {
            break;
        }
    }
    used = i;
    return digits ? std::optional<double>(value) : std::nullopt;
}

bool ApplyFontSize(TextStyle& style, std::string_view value, double parentPt) {
    std::size_t used = 0;
    const std::optional<double> number = ReadNumber(value, used);
    if (!number || *number <= 0) {
        return false;
    }
    const std::string unit = AsciiLower(TrimSpaces(value.substr(used)));
    static constexpr struct {
        std::string_view unit;
        double factor;
        bool relative;
    } kUnits[] = {{"pt", 1.0, false}, {"px", 0.75, false}, {"em", 1.0, true}, {"%", 0.01, true}};
    for (const auto& u : kUnits) {
        if (unit == u.unit) {
            // Hundreds of digits, or relative sizes compounded down the chain, overflow to
            // infinity or underflow to 0: no font has that height.
            const double size = *number * u.factor * (u.relative ? parentPt : 1.0);
            if (!std::isfinite(size) || size <= 0) {
                return false;
            }
            style.fontSizePt = size;
            return true;
        }
    }
    return false;
}

bool ApplyFontFamily(TextStyle& style, std::string_view value, double) {
    std::vector<std::string> families;
    for (std::string_view name : SplitOutsideQuotes(value, ',')) {
        name = TrimSpaces(name);
        if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') &&
            name.back() == name.front()) {
            name = name.substr(1, name.size() - 2);
        }
        if (!name.empty()) {
            families.emplace_back(name);
        }
    }
    if (families.empty()) {
        return false;
    }
    style.families = std::move(families);
    return true;
}

bool ApplyFontWeight(TextStyle& style, std::string_view value, double) {
    const std::string v = AsciiLower(value);
    std::size_t used = 0;
    if (v == "bold" || v == "bolder") {
        style.bold = true;
    } else if (v == "normal" || v == "lighter") {
        style.bold = false;
    } else if (auto weight = ReadNumber(v, used); weight && used == v.size()) {
        style.bold = *weight >= 600;
    } else {
        return false;
    }
    return true;
}

bool ApplyColor(TextStyle& style, std::string_view value, double) {
    const auto color = ParseCssColor(value);
    if (color) {
        style.color = *color;
    }
    return color.has_value();
}

bool ApplyBackground(TextStyle& style, std::string_view value, double) {
    if (AsciiLower(value) == "transparent") {
        style.background.reset();
        return true;
    }
    const auto color = ParseCssColor(value);
    if (color) {
        style.background = *color;
    }
    return color.has_value();
}

bool ApplyTextDecoration(TextStyle& style, std::string_view value, double) {
    const std::string v = AsciiLower(value);
    if (v == "none") {
        style.underline = false;
        return true;
    }
    if (v.find("underline") != std::string::npos) {
        style.underline = true;
        return true;
    }
    return false;
}

bool ApplyVerticalAlign(TextStyle& style, std::string_view value, double) {
    static constexpr struct {
        std::string_view keyword;
        VerticalAlign align;
    } kKeywords[] = {{"baseline", VerticalAlign::Baseline}, {"top", VerticalAlign::Top},
                     {"text-top", VerticalAlign::Top},      {"super", VerticalAlign::Top},
                     {"bottom", VerticalAlign::Bottom},     {"text-bottom", VerticalAlign::Bottom},
                     {"sub", VerticalAlign::Bottom}};
    const std::string v = AsciiLower(value);
    for (const auto& k : kKeywords) {
        if (v == k.keyword) {
            style.verticalAlign = k.align;
            return true;
        }
    }
    return false;
}

struct PropertyRule {
    std::string_view name;
    bool (*apply)(TextStyle& style, std::string_view value, double parentPt);
};

constexpr PropertyRule kProperties[] = {
    {"font-size", &ApplyFontSize},
    {"font-family", &ApplyFontFamily},
    {"font-weight", &ApplyFontWeight},
    {"color", &ApplyColor},
    {"background-color", &ApplyBackground},
    {"background", &ApplyBackground},
    {"text-decoration", &ApplyTextDecoration},
    {"vertical-align", &ApplyVerticalAlign},
};

void ApplyDeclarations(const CssRule& rule, TextStyle& style, double parentPt) {
    for (const CssDeclaration& d : rule.declarations) {
        for (const PropertyRule& p : kProperties) {
            if (p.name == d.property) {
                p.apply(style, d.value, parentPt);
                break;
            }
        }
    }
}

void ApplyMatchingRules(const StyleSheet& sheet, const MarkupElement& element, bool hovered,
                        TextStyle& style) {
    struct Match {
        int specificity;
        const CssRule* rule;
    };
    std::vector<Match> matches;
    for (const CssRule& rule : sheet) {
        int best = -1;
        for (const CssSelector& selector : rule.selectors) {
            if (Matches(selector, element, hovered)) {
                best = std::max(best, Specificity(selector));
            }
        }
        if (best >= 0) {
            matches.push_back({best, &rule});
        }
    }
    std::stable_sort(matches.begin(), matches.end(),
                     [](const Match& a, const Match& b) { return a.specificity < b.specificity; });
    const double parentPt = style.fontSizePt;
    for (const Match& m : matches) {
        ApplyDeclarations(*m.rule, style, parentPt);
    }
}

}  // namespace

StyleSheet ParseStyleSheet(std::string_view text) {
    const std::string source = StripComments(text);
    const std::string_view s = source;
    StyleSheet sheet;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t open = FindOutsideQuotes(s, '{', i);
        if (open == std::string_view::npos) {
            break;
        }
        const std::size_t close = FindOutsideQuotes(s, '}', open + 1);
        const std::string_view body =
            s.substr(open + 1, close == std::string_view::npos ? s.npos : close - open - 1);
        CssRule rule;
        for (std::string_view selector : SplitOutsideQuotes(s.substr(i, open - i), ',')) {
            selector = TrimSpaces(selector);
            if (!selector.empty()) {
                rule.selectors.push_back(ParseSelector(selector));
            }
        }
        for (std::string_view declaration : SplitOutsideQuotes(body, ';')) {
            const std::size_t colon = FindOutsideQuotes(declaration, ':');
            if (colon == std::string_view::npos) {
                continue;
            }
            std::string_view value = TrimSpaces(declaration.substr(colon + 1));
            if (const std::size_t bang = value.rfind('!');
                bang != std::string_view::npos &&
                AsciiLower(TrimSpaces(value.substr(bang))) == "!important") {
                value = TrimSpaces(value.substr(0, bang));
            }
            const std::string property = AsciiLower(TrimSpaces(declaration.substr(0, colon)));
            if (!property.empty() && !value.empty()) {
                rule.declarations.push_back({property, std::string(value)});
            }
        }
        if (!rule.selectors.empty()) {
            sheet.push_back(std::move(rule));
        }
        i = close == std::string_view::npos ? s.size() : close + 1;
    }
    return sheet;
}

std::string_view BuiltInStyleSheetText() {
    return kBuiltInSheet;
}

const StyleSheet& BuiltInStyleSheet() {
    static const StyleSheet sheet = ParseStyleSheet(kBuiltInSheet);
    return sheet;
}

std::optional<std::uint32_t> ParseCssColor(std::string_view value) {
    const std::string v = AsciiLower(TrimSpaces(value));
    static constexpr struct {
        std::string_view name;
        std::uint32_t color;
    } kNamed[] = {
        {"black", Rgb(0, 0, 0)},      {"white", Rgb(255, 255, 255)},  {"gray", Rgb(128, 128, 128)},
        {"grey", Rgb(128, 128, 128)}, {"silver", Rgb(192, 192, 192)}, {"red", Rgb(255, 0, 0)},
        {"maroon", Rgb(128, 0, 0)},   {"orange", Rgb(255, 165, 0)},   {"yellow", Rgb(255, 255, 0)},
        {"olive", Rgb(128, 128, 0)},  {"lime", Rgb(0, 255, 0)},       {"green", Rgb(0, 128, 0)},
        {"aqua", Rgb(0, 255, 255)},   {"teal", Rgb(0, 128, 128)},     {"blue", Rgb(0, 0, 255)},
        {"navy", Rgb(0, 0, 128)},     {"fuchsia", Rgb(255, 0, 255)},  {"purple", Rgb(128, 0, 128)},
    };
    for (const auto& named : kNamed) {
        if (v == named.name) {
            return named.color;
        }
    }
    if (v.size() != 4 && v.size() != 7) {
        return std::nullopt;
    }
    if (v[0] != '#') {
        return std::nullopt;
    }
    int digits[6] = {};
    const std::size_t count = v.size() - 1;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = v[i + 1];
        if (c >= '0' && c <= '9') {
            digits[i] = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digits[i] = c - 'a' + 10;
        } else {
            return std::nullopt;
        }
    }
    if (count == 3) {  // #rgb stands for #rrggbb
        return Rgb(digits[0] * 17, digits[1] * 17, digits[2] * 17);
    }
    return Rgb(digits[0] * 16 + digits[1], digits[2] * 16 + digits[3], digits[4] * 16 + digits[5]);
}

TextStyle ComputeStyle(const StyleSheet& sheet, std::span<const MarkupElement> elements,
                       bool hovered) {
    TextStyle style;
    // Text outside any element is body text.
    const bool hasBody = std::any_of(elements.begin(), elements.end(),
                                     [](const MarkupElement& e) { return e.tag == "body"; });
    if (!hasBody) {
        ApplyMatchingRules(sheet, MarkupElement{"body", {}, false}, hovered, style);
    }
    for (const MarkupElement& element : elements) {
        ApplyMatchingRules(sheet, element, hovered, style);
    }
    return style;
}

}  // namespace qv
