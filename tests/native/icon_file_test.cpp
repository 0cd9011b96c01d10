#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "desktop/icon_file.h"

namespace qv {
namespace {

Bytes Range(int n) {
    Bytes b;
    for (int i = 1; i <= n; ++i) {
        b.push_back(static_cast<std::uint8_t>(i));
    }
    return b;
}

TEST(TakeBytes, CutsToTheDataAndNeverReadsOutside) {
    constexpr std::int64_t kHuge = std::numeric_limits<std::int64_t>::max();
    const struct {
        int size;
        std::int64_t start, count;
        Bytes expected;
    } rows[] = {
        {5, 1, 5, {1, 2, 3, 4, 5}},
        {5, 2, 3, {2, 3, 4}},
        {5, 4, 10, {4, 5}},  // runs past the end: cut
        {5, 5, 1, {5}},
        {5, 6, 1, {}},      // starts past the end
        {5, 0, 2, {1, 2}},  // start below 1 is taken as 1
        {5, -100, 2, {1, 2}},
        {5, 1, 0, {}},
        {5, 1, -3, {}},
        {0, 1, 1, {}},             // no bytes
        {5, 3, kHuge, {3, 4, 5}},  // start + count would overflow
        {5, kHuge, kHuge, {}},
        {5, 2, std::numeric_limits<std::int64_t>::min(), {}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(TakeBytes(Range(row.size), row.start, row.count), row.expected)
            << row.size << " " << row.start << " " << row.count;
    }
}

void PutU16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

// An icon file with `count` directory entries; entry i says `size` bytes at `offset`.
Bytes IconFile(std::uint16_t count, std::uint32_t size, std::uint32_t offset, std::size_t total) {
    Bytes b(total, 0xAB);
    PutU16(b, 0, 0);
    PutU16(b, 2, 1);
    PutU16(b, 4, count);
    for (std::size_t i = 0; i < count && 6 + 16 * (i + 1) <= total; ++i) {
        const std::size_t at = 6 + 16 * i;
        b[at] = static_cast<std::uint8_t>(32 + i);
        b[at + 1] = static_cast<std::uint8_t>(48 + i);
        b[at + 2] = 0;
        b[at + 3] = 0;
        PutU16(b, at + 4, 1);
        PutU16(b, at + 6, 32);
        PutU32(b, at + 8, size);
        PutU32(b, at + 12, offset);
    }
    return b;
}

TEST(IconEntryAt, DecodesLittleEndianFieldsOfTheProgramsIconShape) {
    const Bytes file = IconFile(1, 4264, 22, 4286);
    const auto entry = IconEntryAt(file, 0);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->width, 32);
    EXPECT_EQ(entry->height, 48);
    EXPECT_EQ(entry->planes, 1);
    EXPECT_EQ(entry->bitCount, 32);
    EXPECT_EQ(entry->bytesInRes, 4264u);
    EXPECT_EQ(entry->imageOffset, 22u);
    const Bytes image = IconImage(file, *entry);
    EXPECT_EQ(image.size(), 4264u);
}

TEST(IconEntryAt, SecondEntryStartsSixteenBytesLater) {
    const auto entry = IconEntryAt(IconFile(2, 10, 38, 60), 1);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->width, 33);
    EXPECT_EQ(entry->imageOffset, 38u);
}

TEST(IconEntryAt, RefusesEntriesThatDoNotLieWithinTheFile) {
    const struct {
        const char* what;
        Bytes file;
        int image;
    } rows[] = {
        {"empty file", {}, 0},
        {"header only", IconFile(1, 10, 22, 6), 0},
        {"entry cut short", IconFile(1, 10, 22, 21), 0},
        {"entry beyond the data", IconFile(1, 10, 22, 40), 3},
        {"negative image number", IconFile(1, 10, 22, 40), -1},
        {"image number far out", IconFile(1, 10, 22, 40), std::numeric_limits<int>::max()},
    };
    for (const auto& row : rows) {
        EXPECT_FALSE(IconEntryAt(row.file, row.image)) << row.what;
    }
}

TEST(IconImage, IsEmptyUnlessTheWholeImageLiesWithinTheFile) {
    const struct {
        const char* what;
        std::uint32_t size, offset;
        std::size_t total;
        std::size_t expected;
    } rows[] = {
        {"exact fit", 10, 22, 32, 10},
        {"zero size", 0, 22, 32, 0},
        {"truncated file", 4264, 22, 2000, 0},
        {"offset past the end", 10, 500, 32, 0},
        {"offset + size overflows 32 bits", 0x20, 0xFFFFFFF0u, 64, 0},
        {"size near 4 GiB", 0xFFFFFFFFu, 22, 64, 0},
        {"offset at the last byte", 1, 31, 32, 1},
    };
    for (const auto& row : rows) {
        const Bytes file = IconFile(1, row.size, row.offset, row.total);
        const auto entry = IconEntryAt(file, 0);
        ASSERT_TRUE(entry) << row.what;
        EXPECT_EQ(IconImage(file, *entry).size(), row.expected) << row.what;
    }
}

}  // namespace
}  // namespace qv
