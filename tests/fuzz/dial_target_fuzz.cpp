// The "@" target of Dial on any bytes, against the C library's reading of the same digits.
#include <climits>
#include <cstdlib>

#include "dialup/dial_target.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const qv::Text target(reinterpret_cast<const char*>(data), size);
    const auto position = qv::DialPosition(target);
    QV_FUZZ_CHECK(position.has_value() == (!target.empty() && target[0] == '@'));
    if (!position) {
        return 0;
    }
    constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
    const long long wide = std::strtoll(target.c_str() + 1, nullptr, 10);
    QV_FUZZ_CHECK(*position == (wide < -kLimit ? -kLimit : wide > kLimit ? kLimit : wide));
    return 0;
}
