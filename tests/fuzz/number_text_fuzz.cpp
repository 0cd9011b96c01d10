// TextToInt and the full-width folding on any bytes. Input: an int32 for the round trip
// through IntToText, then the text.
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "base/number_text.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    qv::fuzz::Input input(data, size);
    const int n = input.Number<std::int32_t>();
    const qv::Text text = input.Rest();

    QV_FUZZ_CHECK(qv::TextToInt(qv::IntToText(n)) == n);

    const qv::Text folded = qv::FoldFullWidth(text);
    QV_FUZZ_CHECK(folded.size() <= text.size());
    bool ascii = true;
    for (char c : text) {
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    QV_FUZZ_CHECK(!ascii || folded == text);

    // The C library's reading of the folded text, saturated to int, is the reference.
    const long long wide = std::strtoll(folded.c_str(), nullptr, 10);
    const long long expected = wide < INT_MIN ? INT_MIN : wide > INT_MAX ? INT_MAX : wide;
    QV_FUZZ_CHECK(qv::TextToInt(text) == expected);
    return 0;
}
