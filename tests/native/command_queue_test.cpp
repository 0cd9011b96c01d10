// The command queue with callers on other threads, as the HTTP control's are. Also built
// under ThreadSanitizer (native_tsan_tests).
#include "control/host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace qv {
namespace {

TEST(CommandQueueThreadsTest, TheBoundHoldsAndEveryTakenJobRunsOrIsDroppedOnce) {
    std::atomic<int> wakes{0};
    CommandQueue queue([&] { ++wakes; });
    std::atomic<int> taken{0};
    std::atomic<int> asked{0};
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([&, t] {
            for (int i = 0; i < 10; ++i) {
                const bool gone = (t + i) % 3 == 0;
                ScriptJob job{{ScriptVerb::Redial, true, gone ? 2 : 1}, nullptr, [&asked, gone] {
                                  ++asked;
                                  return !gone;
                              }};
                taken += queue.Submit(std::move(job)) ? 1 : 0;
            }
        });
    }
    for (auto& caller : callers) {
        caller.join();
    }
    EXPECT_EQ(taken, static_cast<int>(kMaxWaitingCommands)) << "the rest were refused";
    int ran = 0;
    while (auto job = queue.BeginNext()) {
        EXPECT_EQ(job->command.tries, 1) << "a job whose caller has gone ran";
        ++ran;
        queue.LeaveHandler();
    }
    EXPECT_EQ(asked, taken) << "each caller asked once, when its turn came";
    EXPECT_GT(ran, 0);
    EXPECT_LT(ran, taken.load());
    EXPECT_FALSE(queue.Busy());
}

}  // namespace
}  // namespace qv
