#pragma once
// The link box's markup: a small reader for the subset of HTML the box draws. It yields text
// runs, each with the chain of elements it sits in, and the anchors they belong to.
//
// Text handling: runs of spaces are kept as typed (the link line separates its links with two
// spaces and means them as a visible gap); a tab, a line feed, a carriage return or a CR LF pair
// each become one space, except inside <pre>, where a line end breaks the line. The entities
// &lt; &gt; &amp; &quot; &apos; &nbsp; and &#NN; (below 128) are decoded; anything else after
// '&' is kept as written. GBK text passes through byte for byte.
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace qv {

// Kind 1 opens its target in the browser (href or url), kind 2 raises the box's event (msg or
// event); an anchor with neither is no link.
enum class LinkKind : int { None = 0, Url = 1, Event = 2 };

struct MarkupElement {
    std::string tag;       // lower case
    std::string cssClass;  // the class attribute as written
    bool link = false;     // an anchor with a target attribute: what a:link and a:hover match
};

struct MarkupAnchor {
    LinkKind kind = LinkKind::None;
    Text target;
};

struct MarkupRun {
    Text text;                            // empty for a line break
    std::vector<MarkupElement> elements;  // the open elements, outermost first
    int anchor = -1;                      // index into Markup::anchors; -1 outside links
    bool lineBreak = false;
};

struct Markup {
    std::vector<MarkupRun> runs;
    std::vector<MarkupAnchor> anchors;
};

// Never fails: a '<' that starts no well-formed tag is text, end tags without a matching
// element are dropped, an anchor opened inside another closes the outer one first, unknown
// tags become elements that no rule styles, unknown attributes are ignored.
Markup ParseMarkup(std::string_view markup);

// The box's fixed content: "相关连接：", the usage page link, two spaces, the forum link.
Text LinkLineMarkup();

}  // namespace qv
