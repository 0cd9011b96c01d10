// The link box's markup reader on any bytes, followed through the built-in style sheet and
// the layout as the box does it.
#include <string_view>

#include "markup_check.h"
#include "ui/link_layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const qv::Markup markup = qv::ParseMarkup(text);
    qv::fuzz::CheckMarkup(markup, size);

    // Without markup characters the text is drawn as it is, in one run.
    if (!text.empty() && text.find_first_of("<&\r\n\t\f") == std::string_view::npos) {
        QV_FUZZ_CHECK(markup.runs.size() == 1 && markup.runs[0].text == text);
    }

    const auto measure = [](const qv::TextStyle& style, std::string_view piece) {
        qv::fuzz::CheckStyle(style);
        const int height = static_cast<int>(std::min(style.fontSizePt, 1000.0)) + 4;
        return qv::TextExtent{static_cast<int>(piece.size()) * 6, height, height * 4 / 5};
    };
    const qv::LinkLayout layout = qv::LayOutMarkup(markup, qv::BuiltInStyleSheet(), measure);
    for (const qv::LinkRecord& link : layout.links) {
        QV_FUZZ_CHECK(link.anchor >= 0 && link.anchor < static_cast<int>(markup.anchors.size()));
        QV_FUZZ_CHECK(link.kind != qv::LinkKind::None);
        QV_FUZZ_CHECK(qv::HitTestLinks(layout.links, link.rect.left, link.rect.top) !=
                          qv::kNoLink ||
                      link.rect.left == link.rect.right || link.rect.top == link.rect.bottom);
    }
    return 0;
}
