#include "desktop/icon_file.h"

namespace qv {
namespace {

constexpr std::int64_t kHeaderSize = 6;
constexpr std::int64_t kEntrySize = 16;

std::uint16_t ReadU16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t ReadU32(const Bytes& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

}  // namespace

Bytes TakeBytes(const Bytes& bytes, std::int64_t start, std::int64_t count) {
    const auto n = static_cast<std::int64_t>(bytes.size());
    if (n < 1 || count < 1 || start > n) {
        return {};
    }
    if (start < 1) {
        start = 1;
    }
    // Compared this way round so that a hostile start + count cannot overflow.
    const std::int64_t available = n - start + 1;
    if (count > available) {
        count = available;
    }
    const auto begin = bytes.begin() + (start - 1);
    return Bytes(begin, begin + count);
}

std::optional<IconEntry> IconEntryAt(const Bytes& file, int imageNumber) {
    if (imageNumber < 0) {
        return std::nullopt;
    }
    const Bytes raw = TakeBytes(
        file, static_cast<std::int64_t>(imageNumber) * kEntrySize + kHeaderSize + 1, kEntrySize);
    if (static_cast<std::int64_t>(raw.size()) != kEntrySize) {
        return std::nullopt;
    }
    IconEntry entry;
    entry.width = raw[0];
    entry.height = raw[1];
    entry.colorCount = raw[2];
    entry.reserved = raw[3];
    entry.planes = ReadU16(raw, 4);
    entry.bitCount = ReadU16(raw, 6);
    entry.bytesInRes = ReadU32(raw, 8);
    entry.imageOffset = ReadU32(raw, 12);
    return entry;
}

Bytes IconImage(const Bytes& file, const IconEntry& entry) {
    Bytes image = TakeBytes(file, static_cast<std::int64_t>(entry.imageOffset) + 1,
                            static_cast<std::int64_t>(entry.bytesInRes));
    if (image.size() != entry.bytesInRes) {
        return {};
    }
    return image;
}

}  // namespace qv
