#include "web/read_sizing.h"

#include <limits>

namespace qv {

namespace {
ReadRequestObserver readRequestObserver = nullptr;

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
}  // namespace

std::int64_t ParseDecimalPrefix(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        value = value > (kMax - digit) / 10 ? kMax : value * 10 + digit;
    }
    return negative ? -value : value;
}

std::uint32_t ReadBlockSize(const char* lengthText) {
    if (lengthText == nullptr) {
        return kDefaultReadBlock;
    }
    const std::int64_t length = ParseDecimalPrefix(lengthText);
    if (length <= 0) {
        return kDefaultReadBlock;
    }
    return length >= kReadBlockCap ? kReadBlockCap : static_cast<std::uint32_t>(length) + 1;
}

void AppendBlock(Bytes& body, const std::uint8_t* data, std::size_t count) {
    if (count == 0) {
        return;
    }
    if (body.capacity() - body.size() < count) {
        body.reserve(body.size() + count + kBodyGrowthSlack);
    }
    body.insert(body.end(), data, data + count);
}

void SetReadRequestObserver(ReadRequestObserver observer) {
    readRequestObserver = observer;
}

void NoteReadRequest(std::uint32_t requested) {
    if (readRequestObserver != nullptr) {
        readRequestObserver(requested);
    }
}

}  // namespace qv
