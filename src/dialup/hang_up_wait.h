#pragma once
// The bounded wait after a hang-up, kept apart from the system calls so its clock arithmetic
// can be tested on its own.
#include <cstdint>

namespace qv {

inline constexpr std::uint32_t kHangUpBoundMs = 3000;
// Short enough that a vanished connection is noticed at once, long enough not to keep a
// processor busy while the line drops.
inline constexpr std::uint32_t kHangUpPollMs = 10;

// Asks `gone` until it answers true or `boundMs` have passed since the first tick, reading
// the elapsed time as an unsigned 32-bit difference so a wrapping tick counter does no harm.
// Between questions it pauses for `pollMs`, never past the bound. Returns whether it saw the
// connection go.
template <typename Tick, typename Gone, typename Pause>
bool WaitUntilGone(Tick tick, Gone gone, Pause pause, std::uint32_t boundMs = kHangUpBoundMs,
                   std::uint32_t pollMs = kHangUpPollMs) {
    const std::uint32_t start = tick();
    for (;;) {
        const std::uint32_t elapsed = static_cast<std::uint32_t>(tick() - start);
        if (elapsed >= boundMs) {
            return false;
        }
        if (gone()) {
            return true;
        }
        const std::uint32_t left = boundMs - elapsed;
        pause(left < pollMs ? left : pollMs);
    }
}

}  // namespace qv
