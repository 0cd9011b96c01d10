#pragma once
// Splits a fuzz input into the arguments of a call: little-endian numbers from the front, then
// fields each ended by a unit separator (0x1F), then the rest. Missing bytes read as zero, so
// every input is a valid call and short seeds stay readable.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>

// A broken invariant is a finding: abort, so that libFuzzer keeps the input that broke it.
#define QV_FUZZ_CHECK(condition)                                                               \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

namespace qv::fuzz {

inline constexpr char kFieldEnd = '\x1F';

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size)
        : p_(reinterpret_cast<const char*>(data)), end_(p_ + size) {}

    template <class T>
    T Number() {
        std::make_unsigned_t<T> value = 0;
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            const auto byte = static_cast<std::make_unsigned_t<T>>(
                p_ < end_ ? static_cast<std::uint8_t>(*p_++) : 0);
            value = static_cast<std::make_unsigned_t<T>>(value | (byte << (8 * i)));
        }
        return static_cast<T>(value);
    }

    std::string Field() {
        const char* start = p_;
        while (p_ < end_ && *p_ != kFieldEnd) {
            ++p_;
        }
        std::string field(start, p_);
        if (p_ < end_) {
            ++p_;
        }
        return field;
    }

    std::string Rest() {
        std::string rest(p_, end_);
        p_ = end_;
        return rest;
    }

  private:
    const char* p_;
    const char* end_;
};

}  // namespace qv::fuzz
