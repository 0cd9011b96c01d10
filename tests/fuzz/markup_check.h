#pragma once
// What any parsed markup and any computed style must satisfy, shared by the markup and the
// style-sheet fuzzers.
#include <cmath>

#include "fuzz_input.h"
#include "ui/css_sheet.h"
#include "ui/html_markup.h"

namespace qv::fuzz {

inline void CheckMarkup(const Markup& markup, std::size_t inputSize) {
    std::size_t textBytes = 0;
    for (const MarkupRun& run : markup.runs) {
        QV_FUZZ_CHECK(run.anchor >= -1 && run.anchor < static_cast<int>(markup.anchors.size()));
        QV_FUZZ_CHECK(run.lineBreak == run.text.empty());
        for (const MarkupElement& element : run.elements) {
            QV_FUZZ_CHECK(!element.tag.empty());
            QV_FUZZ_CHECK(element.tag.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ<>/ ") ==
                          std::string::npos);
            QV_FUZZ_CHECK(!element.link || element.tag == "a");
        }
        textBytes += run.text.size();
    }
    // Every byte drawn comes from at least one byte of markup.
    QV_FUZZ_CHECK(textBytes <= inputSize);
}

// A size the box can turn into a font height.
inline void CheckStyle(const TextStyle& style) {
    QV_FUZZ_CHECK(std::isfinite(style.fontSizePt) && style.fontSizePt > 0);
    QV_FUZZ_CHECK((style.color >> 24) == 0);
    QV_FUZZ_CHECK(!style.background || (*style.background >> 24) == 0);
}

}  // namespace qv::fuzz
