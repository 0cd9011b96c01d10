#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "dialup/hang_up_wait.h"

namespace {

// A fake clock that advances only when the wait pauses (plus `perTick` on every reading).
struct Clock {
    explicit Clock(std::uint32_t start, std::uint32_t tickCost = 0)
        : now(start), perTick(tickCost) {}
    std::uint32_t now;
    std::uint32_t perTick;
    std::vector<std::uint32_t> pauses;
    int polls = 0;
};

bool Wait(Clock& clock, int goneAfterPolls) {
    return qv::WaitUntilGone(
        [&] {
            const std::uint32_t t = clock.now;
            clock.now += clock.perTick;
            return t;
        },
        [&] { return ++clock.polls > goneAfterPolls; },
        [&](std::uint32_t ms) {
            clock.pauses.push_back(ms);
            clock.now += ms;
        });
}

TEST(WaitUntilGone, ReturnsAsSoonAsTheConnectionIsGone) {
    Clock clock(1000);
    EXPECT_TRUE(Wait(clock, 0));
    EXPECT_EQ(clock.polls, 1);
    EXPECT_TRUE(clock.pauses.empty());

    Clock later(1000);
    EXPECT_TRUE(Wait(later, 3));
    EXPECT_EQ(later.polls, 4);
    EXPECT_EQ(later.pauses, (std::vector<std::uint32_t>{10, 10, 10}));
}

TEST(WaitUntilGone, GivesUpAtTheBoundWhateverTheTickCounter) {
    // Starting just before the 32-bit tick counter wraps must not end the wait early or late.
    for (std::uint32_t start : {0u, 5000u, 0xFFFFFFFFu - 1500u, 0xFFFFFFFFu}) {
        Clock clock(start);
        EXPECT_FALSE(Wait(clock, 1 << 30)) << start;
        std::uint32_t slept = 0;
        for (std::uint32_t ms : clock.pauses) {
            EXPECT_LE(ms, qv::kHangUpPollMs);
            EXPECT_GT(ms, 0u);
            slept += ms;
        }
        EXPECT_EQ(slept, qv::kHangUpBoundMs) << start;  // never sleeps past the bound
        EXPECT_EQ(clock.polls, 300) << start;
    }
}

TEST(WaitUntilGone, LastPauseIsShortenedToTheBound) {
    Clock clock(0, 7);  // every reading of the clock costs 7 ms
    EXPECT_FALSE(Wait(clock, 1 << 30));
    ASSERT_FALSE(clock.pauses.empty());
    EXPECT_GE(clock.now, qv::kHangUpBoundMs);
    EXPECT_LT(clock.now, qv::kHangUpBoundMs + 20);
}

}  // namespace
