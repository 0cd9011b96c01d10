#include "base/handle.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace qv {
namespace {

std::vector<int> closed;

struct CountedTraits {
    using Value = int;
    static Value Invalid() { return -1; }
    static void Close(Value value) { closed.push_back(value); }
};
using Counted = UniqueHandle<CountedTraits>;

TEST(UniqueHandle, ClosesEachHandleExactlyOnceAcrossMoveResetAndRelease) {
    closed.clear();
    {
        Counted a(1);
        Counted b(std::move(a));  // a gives it up: one close, by b
        EXPECT_FALSE(a);
        Counted c(2);
        c = std::move(b);  // 2 closed now, 1 moves on
        EXPECT_EQ(closed, std::vector<int>({2}));
        c.reset(c.get());  // the same handle again: kept, not closed
        c.reset(3);        // 1 closed
        Counted d(4);
        EXPECT_EQ(d.release(), 4);  // released: never closed by us
        Counted e(5);
        e = std::move(e);  // self-move keeps it
        EXPECT_EQ(e.get(), 5);
    }
    EXPECT_EQ(closed, std::vector<int>({2, 1, 5, 3}));
}

TEST(ScopeGuard, RunsOnceUnlessDismissed) {
    int runs = 0;
    {
        ScopeGuard guard([&] { ++runs; });
    }
    {
        ScopeGuard guard([&] { ++runs; });
        guard.Dismiss();
    }
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace qv
