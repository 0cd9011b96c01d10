#include "base/text_helpers.h"

#include <algorithm>
#include <cstdint>

namespace qv {

namespace {

bool MatchesAt(const Text& text, std::size_t at, const Text& needle, bool ignoreCase) {
    for (std::size_t i = 0; i < needle.size(); ++i) {
        const bool same = ignoreCase ? AsciiLower(text[at + i]) == AsciiLower(needle[i])
                                     : text[at + i] == needle[i];
        if (!same) {
            return false;
        }
    }
    return true;
}

// max(start - 1, 0) as a byte index, without overflow for any int.
std::size_t StartIndex(int start) {
    return start > 1 ? static_cast<std::size_t>(start) - 1 : 0;
}

// Positions are reported as int; texts beyond that range are not searched past it.
int Position(std::size_t index) {
    return index < static_cast<std::size_t>(INT32_MAX) ? static_cast<int>(index) + 1 : -1;
}

}  // namespace

int FindText(const Text& text, const Text& needle, int start, bool ignoreCase) {
    std::size_t at = StartIndex(start);
    if (at >= text.size()) {
        return -1;
    }
    if (needle.empty()) {
        return 1;
    }
    while (text.size() - at >= needle.size()) {
        if (MatchesAt(text, at, needle, ignoreCase)) {
            return Position(at);
        }
        if (IsLeadByte(text, at)) {
            at += 2;
        } else if (at + 1 < text.size() && text[at + 1] == '\0' &&
                   static_cast<unsigned char>(text[at]) >= 0x80) {
            break;  // a lead byte before a zero ends the text as the system sees it
        } else {
            at += 1;
        }
    }
    return -1;
}

Text MidText(const Text& text, int start, int count) {
    if (start < 1 || count <= 0 || static_cast<std::size_t>(start) - 1 >= text.size()) {
        return Text();
    }
    return text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(count));
}

Text ReplaceText(const Text& text, const Text& find, const Text& replacement, int start, int count,
                 bool caseSensitive) {
    const std::size_t from = StartIndex(start);
    if (text.empty() || find.empty() || from >= text.size() || count == 0) {
        return text;
    }
    Text result(text, 0, from);
    std::size_t at = from;
    while (count != 0 && text.size() - at >= find.size()) {
        if (MatchesAt(text, at, find, !caseSensitive)) {
            result += replacement;
            at += find.size();
            if (count > 0) {
                --count;
            }
        } else {
            const std::size_t step =
                IsLeadByte(text.data() + at, text.data() + text.size()) ? 2 : 1;
            result.append(text, at, step);
            at += step;
        }
    }
    result.append(text, at, Text::npos);
    return result;
}

Text TextBetween(const Text& text, const Text& startMarker, const Text& endMarker, int start,
                 bool ignoreCase) {
    const Text quote = "\"";
    const Text s = ReplaceText(startMarker, kQuoteToken, quote);
    const Text e = ReplaceText(endMarker, kQuoteToken, quote);
    int p = FindText(text, s, start, ignoreCase);
    if (p != -1) {
        p += static_cast<int>(std::min<std::size_t>(s.size(), INT32_MAX - p));
    }
    const int q = FindText(text, e, p, ignoreCase);
    if (p == -1 || q == -1) {
        return Text();
    }
    return MidText(text, p, q - p);
}

Text BodyText(const Bytes& body) {
    const auto zero = std::find(body.begin(), body.end(), std::uint8_t{0});
    return Text(body.begin(), zero);
}

}  // namespace qv
