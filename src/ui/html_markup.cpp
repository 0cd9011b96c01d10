#include "ui/html_markup.h"

#include <algorithm>
#include <optional>

namespace qv {
namespace {

constexpr std::string_view kBlockTags[] = {"p",  "div", "h1",         "h2",    "h3",
                                           "h4", "h5",  "h6",         "pre",   "ul",
                                           "ol", "li",  "blockquote", "table", "tr"};
// Elements without content; of these only <br> shows anything.
constexpr std::string_view kVoidTags[] = {"br",    "img",  "hr",  "meta", "link",
                                          "input", "base", "col", "area", "wbr"};
// Elements whose content is not text to draw.
constexpr std::string_view kSkippedContentTags[] = {"style", "script", "title"};

template <std::size_t N>
bool OneOf(std::string_view name, const std::string_view (&names)[N]) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

struct Entity {
    Text text;
    std::size_t length = 0;
};

std::optional<Entity> ReadEntity(std::string_view s, std::size_t pos) {
    const std::size_t semicolon = s.find(';', pos + 1);
    if (semicolon == std::string_view::npos || semicolon - pos > 10) {
        return std::nullopt;
    }
    const std::string_view name = s.substr(pos + 1, semicolon - pos - 1);
    const std::size_t length = semicolon - pos + 1;
    static constexpr struct {
        std::string_view name;
        const char* text;
    } kNamed[] = {{"lt", "<"},    {"gt", ">"},   {"amp", "&"},
                  {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
    for (const auto& named : kNamed) {
        if (name == named.name) {
            return Entity{named.text, length};
        }
    }
    if (name.size() < 2 || name[0] != '#') {
        return std::nullopt;
    }
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 6) {
        return std::nullopt;
    }
    int value = 0;
    for (char c : digits) {
        int digit = -1;
        if (IsAsciiDigit(c)) {
            digit = c - '0';
        } else if (hex && AsciiLower(c) >= 'a' && AsciiLower(c) <= 'f') {
            digit = AsciiLower(c) - 'a' + 10;
        }
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * (hex ? 16 : 10) + digit;
    }
    // Above 127 a character has no single-byte form in the code page; keep it as written.
    if (value <= 0 || value > 127) {
        return std::nullopt;
    }
    return Entity{Text(1, static_cast<char>(value)), length};
}

Text DecodeEntities(std::string_view s) {
    Text out;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == '&') {
            if (auto entity = ReadEntity(s, i)) {
                out += entity->text;
                i += entity->length;
                continue;
            }
        }
        out += s[i++];
    }
    return out;
}

struct Attribute {
    std::string name;  // lower case
    Text value;
};

struct Tag {
    std::string name;  // lower case
    std::vector<Attribute> attributes;
    bool end = false;
    bool selfClosing = false;
    std::size_t length = 0;  // bytes from '<' to '>' inclusive
};

// Reads the tag that starts at s[pos] == '<'; nullopt when it is not a well-formed tag, and
// the '<' is then plain text.
std::optional<Tag> ReadTag(std::string_view s, std::size_t pos) {
    Tag tag;
    std::size_t i = pos + 1;
    if (i < s.size() && s[i] == '/') {
        tag.end = true;
        ++i;
    }
    if (i >= s.size() || !IsAsciiAlpha(s[i])) {
        return std::nullopt;
    }
    const std::size_t nameStart = i;
    while (i < s.size() && (IsAsciiAlpha(s[i]) || IsAsciiDigit(s[i]) || s[i] == '-')) {
        ++i;
    }
    tag.name = AsciiLower(s.substr(nameStart, i - nameStart));
    if (i < s.size() && !IsAsciiSpace(s[i]) && s[i] != '>' && s[i] != '/') {
        return std::nullopt;
    }
    for (;;) {
        while (i < s.size() && IsAsciiSpace(s[i])) {
            ++i;
        }
        if (i >= s.size() || s[i] == '<') {
            return std::nullopt;
        }
        if (s[i] == '>') {
            tag.length = i + 1 - pos;
            return tag;
        }
        if (s[i] == '/') {
            tag.selfClosing = i + 1 < s.size() && s[i + 1] == '>';
            ++i;
            continue;
        }
        const std::size_t attrStart = i;
        while (i < s.size() && !IsAsciiSpace(s[i]) && s[i] != '=' && s[i] != '>' && s[i] != '/' &&
               s[i] != '<') {
            ++i;
        }
        Attribute attribute{AsciiLower(s.substr(attrStart, i - attrStart)), {}};
        while (i < s.size() && IsAsciiSpace(s[i])) {
            ++i;
        }
        if (i < s.size() && s[i] == '=') {
            ++i;
            while (i < s.size() && IsAsciiSpace(s[i])) {
                ++i;
            }
            if (i >= s.size()) {
                return std::nullopt;
            }
            if (s[i] == '"' || s[i] == '\'') {
                const std::size_t close = s.find(s[i], i + 1);
                if (close == std::string_view::npos) {
                    return std::nullopt;
                }
                attribute.value = DecodeEntities(s.substr(i + 1, close - i - 1));
                i = close + 1;
            } else {
                const std::size_t valueStart = i;
                while (i < s.size() && !IsAsciiSpace(s[i]) && s[i] != '>' && s[i] != '<') {
                    ++i;
                }
                attribute.value = DecodeEntities(s.substr(valueStart, i - valueStart));
            }
        }
        if (!tag.end && !attribute.name.empty()) {
            tag.attributes.push_back(std::move(attribute));
        }
    }
}

const Attribute* FindAttribute(const Tag& tag, std::initializer_list<std::string_view> names) {
    for (const Attribute& attribute : tag.attributes) {
        if (std::find(names.begin(), names.end(), attribute.name) != names.end()) {
            return &attribute;
        }
    }
    return nullptr;
}

class MarkupReader {
  public:
    Markup Read(std::string_view s);

  private:
    void Flush();
    void LineBreak();
    void Open(const Tag& tag);
    void Close(std::string_view name);
    bool InsidePre() const;
    int CurrentAnchor() const;

    Markup out_;
    Text pending_;
    std::vector<MarkupElement> open_;
    std::vector<int> anchorOf_;  // per open element: its anchor index or -1
    bool textOnLine_ = false;
};

int MarkupReader::CurrentAnchor() const {
    for (auto it = anchorOf_.rbegin(); it != anchorOf_.rend(); ++it) {
        if (*it >= 0) {
            return *it;
        }
    }
    return -1;
}

bool MarkupReader::InsidePre() const {
    return std::any_of(open_.begin(), open_.end(), [](const auto& e) { return e.tag == "pre"; });
}

void MarkupReader::Flush() {
    if (pending_.empty()) {
        return;
    }
    const int anchor = CurrentAnchor();
    if (!out_.runs.empty()) {
        MarkupRun& last = out_.runs.back();
        if (!last.lineBreak && last.anchor == anchor && last.elements.size() == open_.size() &&
            std::equal(open_.begin(), open_.end(), last.elements.begin(),
                       [](const MarkupElement& a, const MarkupElement& b) {
                           return a.tag == b.tag && a.cssClass == b.cssClass && a.link == b.link;
                       })) {
            last.text += pending_;
            pending_.clear();
            return;
        }
    }
    out_.runs.push_back(MarkupRun{std::move(pending_), open_, anchor, false});
    pending_.clear();
    textOnLine_ = true;
}

void MarkupReader::LineBreak() {
    Flush();
    out_.runs.push_back(MarkupRun{{}, open_, CurrentAnchor(), true});
    textOnLine_ = false;
}

void MarkupReader::Open(const Tag& tag) {
    if (OneOf(tag.name, kVoidTags)) {
        if (tag.name == "br") {
            LineBreak();
        }
        return;
    }
    if (OneOf(tag.name, kBlockTags) && textOnLine_) {
        LineBreak();
    }
    // Anchors do not nest: a new one ends the one still open.
    if (tag.name == "a") {
        Close("a");
    }
    MarkupElement element{tag.name, {}, false};
    if (const Attribute* cls = FindAttribute(tag, {"class"})) {
        element.cssClass = cls->value;
    }
    int anchor = -1;
    if (tag.name == "a") {
        const Attribute* url = FindAttribute(tag, {"href", "url"});
        const Attribute* event = url ? nullptr : FindAttribute(tag, {"msg", "event"});
        if (url || event) {
            anchor = static_cast<int>(out_.anchors.size());
            out_.anchors.push_back(
                MarkupAnchor{url ? LinkKind::Url : LinkKind::Event, (url ? url : event)->value});
            element.link = true;
        }
    }
    if (tag.selfClosing) {
        return;  // <b/>: an element without content
    }
    open_.push_back(std::move(element));
    anchorOf_.push_back(anchor);
}

void MarkupReader::Close(std::string_view name) {
    auto it = std::find_if(open_.rbegin(), open_.rend(),
                           [name](const MarkupElement& e) { return e.tag == name; });
    if (it == open_.rend()) {
        return;
    }
    const auto depth = static_cast<std::size_t>(open_.rend() - it) - 1;
    open_.resize(depth);
    anchorOf_.resize(depth);
    if (OneOf(name, kBlockTags) && textOnLine_) {
        LineBreak();
    }
}

Markup MarkupReader::Read(std::string_view s) {
    const std::string lower = AsciiLower(s);
    std::size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (c == '<') {
            if (s.substr(i, 4) == "<!--") {
                const std::size_t close = s.find("-->", i + 4);
                i = close == std::string_view::npos ? s.size() : close + 3;
                continue;
            }
            if (i + 1 < s.size() && (s[i + 1] == '!' || s[i + 1] == '?')) {
                const std::size_t close = s.find('>', i);
                if (close != std::string_view::npos) {
                    i = close + 1;
                    continue;
                }
            } else if (auto tag = ReadTag(s, i)) {
                Flush();
                i += tag->length;
                if (tag->end) {
                    Close(tag->name);
                } else if (OneOf(tag->name, kSkippedContentTags) && !tag->selfClosing) {
                    const std::size_t close = lower.find("</" + tag->name, i);
                    const std::size_t gt =
                        close == std::string::npos ? close : lower.find('>', close);
                    i = gt == std::string::npos ? s.size() : gt + 1;
                } else {
                    Open(*tag);
                }
                continue;
            }
            pending_ += c;
            ++i;
        } else if (c == '&') {
            if (auto entity = ReadEntity(s, i)) {
                pending_ += entity->text;
                i += entity->length;
            } else {
                pending_ += c;
                ++i;
            }
        } else if (c == '\r' || c == '\n') {
            i += (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ? 2 : 1;
            if (InsidePre()) {
                LineBreak();
            } else {
                pending_ += ' ';
            }
        } else if (c == '\t' || c == '\f') {
            pending_ += ' ';
            ++i;
        } else if (IsGbkPair(s, i)) {  // delimiters lie below 0x40: a stray high byte
                                       // never swallows a '<'
            pending_.append(s.substr(i, 2));
            i += 2;
        } else {
            pending_ += c;
            ++i;
        }
    }
    Flush();
    return std::move(out_);
}

Text EscapeAttribute(std::string_view value) {
    Text out;
    for (char c : value) {
        if (c == '&') {
            out += "&amp;";
        } else if (c == '"') {
            out += "&quot;";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

Markup ParseMarkup(std::string_view markup) {
    return MarkupReader().Read(markup);
}

Text LinkLineMarkup() {
    return "相关连接：<a href=\"" + EscapeAttribute(QV_USAGE_URL) +
           "\">软件使用说明</a>  <a href=\"" + EscapeAttribute(QV_FORUM_URL) + "\">Telmora论坛</a>";
}

}  // namespace qv
