// The window's inbox: wakes fold into one, nothing is lost or reordered, posts from many
// threads. Also built under ThreadSanitizer (native_tsan_tests).
#include "base/inbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace qv {
namespace {

TEST(InboxTest, OneWakePendingRunsOldestFirstAndAsksAgainForTheRest) {
    Inbox inbox;
    std::vector<int> ran;
    for (int i = 0; i < 3; ++i) {
        inbox.Post([&ran, i] { ran.push_back(i); });  // before a wake exists: kept
    }
    int wakes = 0;
    bool wakeWorks = false;
    inbox.SetWake([&] {
        ++wakes;
        return wakeWorks;
    });
    EXPECT_EQ(wakes, 1) << "work posted before the window existed is woken for at once";
    wakeWorks = true;
    inbox.Post([&ran] { ran.push_back(3); });
    EXPECT_EQ(wakes, 2) << "a failed wake is asked for again by the next post";
    inbox.Post([&ran] { ran.push_back(4); });
    EXPECT_EQ(wakes, 2) << "a second wake while one is pending";

    inbox.RunPending();
    EXPECT_EQ(ran, (std::vector<int>{0}));
    EXPECT_EQ(wakes, 3) << "the rest wait for a wake of their own";
    // A closure that pumps messages runs the next one inside it, still in order.
    inbox.Post([&] {
        ran.push_back(5);
        inbox.RunPending();
    });
    while (ran.size() < 6) {
        inbox.RunPending();
    }
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    inbox.RunPending();
    EXPECT_EQ(ran.size(), 6u);
}

TEST(InboxTest, PostsFromManyThreadsAllRunInEachThreadsOrder) {
    Inbox inbox;
    std::atomic<int> wakes{0};
    inbox.SetWake([&] {
        ++wakes;
        return true;
    });
    constexpr int kThreads = 4, kPosts = 500;
    std::vector<int> next(kThreads, 0);
    std::atomic<int> ran{0};
    bool inOrder = true;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < kPosts; ++i) {
                inbox.Post([&, t, i] {
                    inOrder = inOrder && next[t] == i;
                    next[t] = i + 1;
                    ++ran;
                });
            }
        });
    }
    // The owner runs one closure per wake, as the window does per message.
    int handled = 0;
    while (ran < kThreads * kPosts) {
        if (handled < wakes) {
            ++handled;
            inbox.RunPending();
        } else {
            std::this_thread::yield();
        }
    }
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(handled, kThreads * kPosts) << "one wake per closure run, none to spare";
}

}  // namespace
}  // namespace qv
