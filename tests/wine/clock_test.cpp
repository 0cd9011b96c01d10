// The clock unit on a real window: it ticks once per period, an equal period write does not
// restart the countdown, and 0 or a negative period stops it.
#include <windows.h>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "ui/form_ids.h"
#include "ui/form_table.h"
#include "ui/form_win.h"
#include "ui/unit_win.h"
#include "wine/support/wine_support.h"

namespace qv::testing {
namespace {

// A hidden top-level window hosts the clock, and a form that is never loaded routes its
// tick event to a counter.
class ClockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        host_ = testing::MakeHostWindow("QvClockTestHost");
        ASSERT_NE(host_, nullptr);
        const UnitRecord* record = FindUnit(Unit::时钟1);
        ASSERT_NE(record, nullptr);
        clock_ = MakeClockUnit(form_, *record);
        ASSERT_TRUE(clock_->Create(host_, nullptr));
    }
    void TearDown() override {
        clock_.reset();
        if (host_ != nullptr) {
            DestroyWindow(host_);
        }
    }

    void Write(int period) { clock_->WriteInt(prop::kContent, period); }
    int Period() { return clock_->ReadInt(prop::kContent).value_or(-1); }

    std::vector<DWORD> ticks_;
    FormWindow form_{[this](Handler handler, std::intptr_t, std::intptr_t) -> std::intptr_t {
        if (handler == Handler::TimedRedialTick) {
            ticks_.push_back(GetTickCount());
        }
        return 0;
    }};
    HWND host_ = nullptr;
    std::unique_ptr<UnitControl> clock_;
};

TEST_F(ClockTest, IsAHiddenChildThatStartsStopped) {
    EXPECT_EQ(GetParent(clock_->Handle()), host_);
    EXPECT_FALSE(IsWindowVisible(clock_->Handle()));
    EXPECT_EQ(Period(), 0);
    EXPECT_FALSE(KillTimer(clock_->Handle(), kClockTimerId)) << "a tick is due";
    EXPECT_TRUE(ticks_.empty());
}

TEST_F(ClockTest, TicksOncePerShortPeriod) {
    for (int period : {100, 250}) {
        SCOPED_TRACE(period);
        ticks_.clear();
        const DWORD start = GetTickCount();
        Write(period);
        EXPECT_EQ(Period(), period);
        ASSERT_TRUE(WaitUntil([&] { return ticks_.size() >= 4; }, 10 * period + 2000));
        // Lenient below (timer granularity) and no check above (a loaded machine is slow).
        EXPECT_GE(ticks_[0] - start, static_cast<DWORD>(period * 8 / 10));
        EXPECT_GE(ticks_[3] - start, static_cast<DWORD>(period * 4 * 8 / 10));
        for (std::size_t i = 1; i < ticks_.size(); ++i) {
            EXPECT_GE(ticks_[i] - ticks_[i - 1], static_cast<DWORD>(period / 2)) << i;
        }
        Write(0);
    }
}

TEST_F(ClockTest, EqualWriteDoesNotRestartTheCountdown) {
    Write(300);
    // Rewriting the same period every few milliseconds would hold a restarting clock off
    // for ever; the running countdown must still reach its tick.
    EXPECT_TRUE(WaitUntil(
        [&] {
            Write(300);
            return !ticks_.empty();
        },
        3000));
    EXPECT_EQ(Period(), 300);
}

TEST_F(ClockTest, NewPeriodRestartsWithThatPeriod) {
    Write(60000);
    Write(150);
    EXPECT_TRUE(WaitUntil([&] { return !ticks_.empty(); }, 3000));
    EXPECT_EQ(Period(), 150);
}

TEST_F(ClockTest, ZeroAndNegativeStopTheTicks) {
    for (int stop : {0, -5}) {
        SCOPED_TRACE(stop);
        ticks_.clear();
        Write(50);
        ASSERT_TRUE(WaitUntil([&] { return !ticks_.empty(); }, 3000));
        Write(stop);
        EXPECT_EQ(Period(), 0);
        EXPECT_FALSE(KillTimer(clock_->Handle(), kClockTimerId)) << "a tick is still due";
    }
}

TEST_F(ClockTest, DestroyingTheUnitWhileRunningEndsTheTicks) {
    Write(50);
    ASSERT_TRUE(WaitUntil([&] { return !ticks_.empty(); }, 3000));
    const HWND clockWindow = clock_->Handle();
    clock_.reset();
    // Its timer went with the window: no tick can come.
    EXPECT_FALSE(IsWindow(clockWindow));
}

}  // namespace
}  // namespace qv::testing
