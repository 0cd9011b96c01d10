#pragma once
// Reading an image out of the bytes of a Windows icon file (.ico): a 6-byte header, one
// 16-byte ICONDIRENTRY per image, then the images. Every offset and size in the file is
// distrusted: nothing is read outside the bytes.
#include <cstdint>
#include <optional>

#include "base/text.h"

namespace qv {

// The bytes from 1-based `start`, `count` long, cut at the end of `bytes`. Empty when
// there are no bytes, count < 1 or start is past the end; a start below 1 is taken as 1.
Bytes TakeBytes(const Bytes& bytes, std::int64_t start, std::int64_t count);

struct IconEntry {
    std::uint8_t width = 0;
    std::uint8_t height = 0;
    std::uint8_t colorCount = 0;
    std::uint8_t reserved = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t bytesInRes = 0;
    std::uint32_t imageOffset = 0;
};

// Entry `imageNumber` (zero-based) of the file; nullopt when the number is negative or the
// entry's 16 bytes do not all lie within the file.
std::optional<IconEntry> IconEntryAt(const Bytes& file, int imageNumber);

// The image an entry points at; empty when its size is 0 or it does not lie wholly within
// the file (a truncated image is not handed to the system half-read).
Bytes IconImage(const Bytes& file, const IconEntry& entry);

}  // namespace qv
