// The text helpers and the body-to-text step on hostile bytes, positions and counts.
// Input: flags byte, start and count (int32 each), then needle, replacement, start marker and
// end marker as fields, then the text.
#include "base/text_helpers.h"
#include "fuzz_input.h"

namespace {

using qv::Text;

bool EqualIgnoringAsciiCase(const Text& a, const Text& b) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

// Whether byte `index` starts a character when the text is read from byte `from`.
bool StartsCharacter(const Text& text, std::size_t from, std::size_t index) {
    const char* end = text.data() + text.size();
    std::size_t at = from;
    while (at < index) {
        at += qv::IsLeadByte(text.data() + at, end) ? 2 : 1;
    }
    return at == index;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qv::fuzz::Input input(data, size);
    const auto flags = input.Number<std::uint8_t>();
    const int start = input.Number<std::int32_t>();
    const int count = input.Number<std::int32_t>();
    const Text needle = input.Field();
    const Text replacement = input.Field();
    const Text startMarker = input.Field();
    const Text endMarker = input.Field();
    const Text text = input.Rest();
    const bool flag = (flags & 1) != 0;
    const int length = static_cast<int>(text.size());
    const std::size_t from = start > 1 ? static_cast<std::size_t>(start) - 1 : 0;

    const int found = qv::FindText(text, needle, start, flag);
    QV_FUZZ_CHECK(found == -1 || (found >= 1 && found <= length));
    if (found != -1 && !needle.empty()) {
        const auto at = static_cast<std::size_t>(found) - 1;
        QV_FUZZ_CHECK(EqualIgnoringAsciiCase(text.substr(at, needle.size()), needle));
        QV_FUZZ_CHECK(flag || text.compare(at, needle.size(), needle) == 0);
        QV_FUZZ_CHECK(StartsCharacter(text, from, at));
    }

    const Text mid = qv::MidText(text, start, count);
    QV_FUZZ_CHECK(mid.size() <= static_cast<std::size_t>(count > 0 ? count : 0));
    QV_FUZZ_CHECK(mid.empty() || text.compare(from, mid.size(), mid) == 0);

    // Replacing a text by itself, or zero times, changes nothing; bytes before the start stay.
    QV_FUZZ_CHECK(qv::ReplaceText(text, needle, needle, start, count, true) == text);
    QV_FUZZ_CHECK(qv::ReplaceText(text, needle, replacement, start, 0, flag) == text);
    const Text replaced = qv::ReplaceText(text, needle, replacement, start, count, flag);
    QV_FUZZ_CHECK(replaced.compare(0, from, text, 0, from) == 0);

    const Text between = qv::TextBetween(text, startMarker, endMarker, start, flag);
    QV_FUZZ_CHECK(between.empty() || text.find(between) != Text::npos);

    const qv::Bytes body(text.begin(), text.end());
    const Text bodyText = qv::BodyText(body);
    QV_FUZZ_CHECK(bodyText.find('\0') == Text::npos);
    QV_FUZZ_CHECK(text.compare(0, bodyText.size(), bodyText) == 0);
    QV_FUZZ_CHECK(bodyText.size() == text.size() || text[bodyText.size()] == '\0');
    return 0;
}
