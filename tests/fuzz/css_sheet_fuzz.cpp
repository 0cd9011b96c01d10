// The link box's style-sheet reader on any bytes. Input: the sheet, a unit separator, then
// markup whose runs are styled by the sheet.
#include <string_view>

#include "markup_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qv::fuzz::Input input(data, size);
    const std::string sheetText = input.Field();
    const std::string markupText = input.Rest();

    const qv::StyleSheet sheet = qv::ParseStyleSheet(sheetText);
    for (const qv::CssRule& rule : sheet) {
        QV_FUZZ_CHECK(!rule.selectors.empty());
        for (const qv::CssDeclaration& d : rule.declarations) {
            QV_FUZZ_CHECK(!d.property.empty() && !d.value.empty());
            if (const auto color = qv::ParseCssColor(d.value)) {
                QV_FUZZ_CHECK((*color >> 24) == 0);
            }
        }
    }

    const qv::Markup markup = qv::ParseMarkup(markupText);
    qv::fuzz::CheckMarkup(markup, markupText.size());
    qv::fuzz::CheckStyle(qv::ComputeStyle(sheet, {}, false));
    for (const qv::MarkupRun& run : markup.runs) {
        qv::fuzz::CheckStyle(qv::ComputeStyle(sheet, run.elements, false));
        qv::fuzz::CheckStyle(qv::ComputeStyle(sheet, run.elements, true));
    }
    return 0;
}
