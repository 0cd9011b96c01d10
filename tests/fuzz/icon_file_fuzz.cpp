// Icon-file decoding on any bytes: every entry the header may name, and TakeBytes with
// distrusted start and count. Input: start and count (int64 each) as the first 16 bytes, which
// also serve as the start of the file itself.
#include <cstring>

#include "desktop/icon_file.h"
#include "fuzz_input.h"

namespace {

bool SameBytes(const qv::Bytes& file, std::int64_t from, const qv::Bytes& part) {
    return part.empty() || std::memcmp(file.data() + from, part.data(), part.size()) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qv::fuzz::Input input(data, size);
    const auto start = input.Number<std::int64_t>();
    const auto count = input.Number<std::int64_t>();
    const qv::Bytes file(data, data + size);
    const auto n = static_cast<std::int64_t>(size);

    const qv::Bytes taken = qv::TakeBytes(file, start, count);
    QV_FUZZ_CHECK(static_cast<std::int64_t>(taken.size()) <= std::max<std::int64_t>(count, 0));
    const std::int64_t from = start < 1 ? 0 : start - 1;
    QV_FUZZ_CHECK(taken.empty() || SameBytes(file, from, taken));
    QV_FUZZ_CHECK(!taken.empty() || n == 0 || count < 1 || start > n);

    // An icon names its image count in bytes 4..5; read a few past it too.
    const int named = size >= 6 ? data[4] | (data[5] << 8) : 0;
    for (int i = -1; i <= named + 1 && i < 1024; ++i) {
        const auto entry = qv::IconEntryAt(file, i);
        QV_FUZZ_CHECK(entry.has_value() ==
                      (i >= 0 && 6 + 16 * static_cast<std::int64_t>(i + 1) <= n));
        if (!entry) {
            continue;
        }
        const qv::Bytes image = qv::IconImage(file, *entry);
        QV_FUZZ_CHECK(image.empty() || image.size() == entry->bytesInRes);
        QV_FUZZ_CHECK(image.empty() == (entry->bytesInRes == 0 ||
                                        entry->imageOffset + std::int64_t{entry->bytesInRes} > n));
        QV_FUZZ_CHECK(SameBytes(file, entry->imageOffset, image));
    }
    return 0;
}
