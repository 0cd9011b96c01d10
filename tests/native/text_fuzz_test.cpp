// A seeded random walk over the text helpers with hostile bytes, positions and counts. Under
// ASan any read past a text fails the run; the checks below catch wrong results.
#include <climits>
#include <random>

#include <gtest/gtest.h>

#include "app/text_helpers.h"

namespace qv {
namespace {

class Generator {
  public:
    explicit Generator(std::uint32_t seed) : random_(seed) {}

    Text Bytes(std::size_t maxLength) {
        // Mostly bytes that matter: brackets, quotes, zeros, lead bytes, letters.
        static const char kInteresting[] = {'[', ']',    '"',    '#',    '\0',  'a',
                                            'A', '\x81', '\xCC', '\xFF', '\x80'};
        Text text;
        const std::size_t length = Below(maxLength + 1);
        for (std::size_t i = 0; i < length; ++i) {
            text += Below(4) == 0 ? static_cast<char>(Below(256))
                                  : kInteresting[Below(sizeof kInteresting)];
        }
        if (Below(8) == 0) {
            text += kQuoteToken;
        }
        return text;
    }

    int Position(int length) {
        static const int kExtremes[] = {INT_MIN, INT_MIN + 1, -1, 0, 1, INT_MAX - 1, INT_MAX};
        return Below(5) == 0 ? kExtremes[Below(std::size(kExtremes))]
                             : static_cast<int>(Below(static_cast<std::size_t>(length) + 3)) - 1;
    }

    bool Flip() { return Below(2) == 0; }

  private:
    std::size_t Below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }
    std::mt19937 random_;
};

bool EqualIgnoringAsciiCase(const Text& a, const Text& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

TEST(TextHelpersFuzz, NoOverreadAndResultsStayConsistent) {
    Generator gen(20240601);
    for (int round = 0; round < 40000; ++round) {
        const Text text = gen.Bytes(40);
        const Text needle = gen.Bytes(4);
        const int length = static_cast<int>(text.size());
        const int start = gen.Position(length);
        const bool flag = gen.Flip();

        const int found = FindText(text, needle, start, flag);
        ASSERT_TRUE(found == -1 || (found >= 1 && found <= length)) << found;
        if (found != -1 && !needle.empty()) {
            ASSERT_TRUE(EqualIgnoringAsciiCase(text.substr(found - 1, needle.size()), needle));
            ASSERT_TRUE(flag || text.compare(found - 1, needle.size(), needle) == 0);
        }

        const int count = gen.Position(length);
        const Text mid = MidText(text, start, count);
        ASSERT_LE(mid.size(), text.size());
        ASSERT_TRUE(mid.empty() || text.compare(start - 1, mid.size(), mid) == 0);

        // Replacing a text by itself, or zero times, changes nothing.
        ASSERT_EQ(ReplaceText(text, needle, needle, start, count, true), text);
        ASSERT_EQ(ReplaceText(text, needle, gen.Bytes(3), start, 0, flag), text);
        const std::size_t kept = start > 1 ? static_cast<std::size_t>(start) - 1 : 0;
        const Text replaced = ReplaceText(text, needle, gen.Bytes(6), start, count, flag);
        ASSERT_EQ(replaced.substr(0, kept), text.substr(0, kept));  // bytes before the start

        const Text between = TextBetween(text, gen.Bytes(3), gen.Bytes(3), start, flag);
        ASSERT_TRUE(between.empty() || text.find(between) != Text::npos);

        const qv::Bytes body(text.begin(), text.end());
        const Text bodyText = BodyText(body);
        ASSERT_EQ(bodyText.find('\0'), Text::npos);
        ASSERT_EQ(text.compare(0, bodyText.size(), bodyText), 0);
    }
}

}  // namespace
}  // namespace qv
