// Content-Length sizing and body growth. Input: a block length byte, then the header text,
// which is also appended to a body in blocks of that length.
#include <cstdlib>
#include <limits>

#include "fuzz_input.h"
#include "web/read_sizing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qv::fuzz::Input input(data, size);
    const std::size_t block = input.Number<std::uint8_t>() % 64 + 1;
    const qv::Text header = input.Rest();

    // The parser saturates; the C library's reading agrees up to the one value below -max.
    const long long wide = std::strtoll(header.c_str(), nullptr, 10);
    const std::int64_t parsed = qv::ParseDecimalPrefix(header);
    QV_FUZZ_CHECK(parsed == std::max<long long>(wide, -std::numeric_limits<long long>::max()));

    const std::uint32_t read = qv::ReadBlockSize(header.c_str());
    if (parsed <= 0) {
        QV_FUZZ_CHECK(read == qv::kDefaultReadBlock);
    } else if (parsed >= qv::kReadBlockCap) {
        QV_FUZZ_CHECK(read == qv::kReadBlockCap);
    } else {
        QV_FUZZ_CHECK(read == parsed + 1);
    }
    QV_FUZZ_CHECK(qv::ReadBlockSize(nullptr) == qv::kDefaultReadBlock);

    qv::Bytes body;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(header.data());
    for (std::size_t at = 0; at < header.size(); at += block) {
        qv::AppendBlock(body, bytes + at, std::min(block, header.size() - at));
    }
    QV_FUZZ_CHECK(body == qv::Bytes(bytes, bytes + header.size()));
    return 0;
}
