#include "web/read_sizing.h"

namespace qv {

namespace {
ReadRequestObserver readRequestObserver = nullptr;

}  // namespace

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
