// The line watch against the simulated ISP: a line that goes down is told on the watch's own
// thread, by the notification at once or by the poll within its period; nothing is told while
// the line stays up; Stop ends the thread at once.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "dialup/line_watch_win.h"
#include "dialup/ras_api_win.h"
#include "sim_control.h"
#include "wine/support/sim_line_test.h"
#include "wine/support/wine_support.h"

namespace {

namespace sim = qv::sim;

class LineWatchTest : public qv::testing::SimLineTest {
  protected:
    void SetUp() override {
        SimLineTest::SetUp();
        told_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }
    void TearDown() override {
        watch_.Stop();
        CloseHandle(told_);
        SimLineTest::TearDown();
    }
    void Start() {
        ASSERT_TRUE(watch_.Start([this] {
            callbackThread_ = GetCurrentThreadId();
            ++calls_;
            SetEvent(told_);
        }));
    }
    // Waits at most `ms` for the callback; the milliseconds it took, or -1.
    long WaitTold(DWORD ms) {
        const DWORD start = GetTickCount();
        if (WaitForSingleObject(told_, ms) != WAIT_OBJECT_0) {
            return -1;
        }
        return static_cast<long>(GetTickCount() - start);
    }

    static constexpr std::uint32_t kPollMs = 1000;  // the program's 5 s, shortened
    qv::LineWatch watch_{kPollMs};
    HANDLE told_ = nullptr;
    std::atomic<int> calls_{0};
    std::atomic<DWORD> callbackThread_{0};
};

TEST_F(LineWatchTest, LineDownIsToldByTheNotificationAtOnceAndOtherwiseByThePoll) {
    const struct {
        const char* name;
        bool notify;
        long minMs;
        long maxMs;
    } rows[] = {
        {"notification", true, 0, 1500},
        {"poll", false, 900, 2000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim::Reset();
        sim::SetNotificationsOn(row.notify);
        calls_ = 0;
        const std::uintptr_t line = sim::AddExternalConnection("宽带连接");
        Start();
        const DWORD started = GetTickCount();
        ASSERT_TRUE(sim::DropConnection(line));
        ASSERT_GE(WaitTold(3000), 0);
        const long elapsed = static_cast<long>(GetTickCount() - started);
        EXPECT_GE(elapsed, row.minMs);
        EXPECT_LE(elapsed, row.maxMs);
        EXPECT_EQ(calls_, 1);
        EXPECT_NE(callbackThread_.load(), GetCurrentThreadId());
        watch_.Stop();
    }
}

TEST_F(LineWatchTest, NothingIsToldWhileTheLineStaysUpOrWasNeverUp) {
    const struct {
        const char* name;
        std::function<void()> before;  // before the watch starts
        std::function<void()> during;
    } rows[] = {
        {"line stays up", [] { sim::AddExternalConnection("宽带连接"); }, [] {}},
        {"another connection drops",
         [] {
             sim::AddExternalConnection("宽带连接");
             sim::AddExternalConnection("电信ADSL");
         },
         [] { sim::DropConnection(sim::Connections()[1].handle); }},
        {"stuck dial hung up", [] { sim::AddStuckConnection("宽带连接"); },
         [] { RasHangUpA(reinterpret_cast<qv::HRASCONN>(sim::Connections()[0].handle)); }},
        {"line comes up", [] {}, [] { sim::AddExternalConnection("宽带连接"); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim::Reset();
        calls_ = 0;
        row.before();
        Start();
        row.during();
        sim::ClearCalls();
        EXPECT_EQ(WaitTold(800), -1);
        // Asleep between notices: no polling while nothing happens.
        EXPECT_LE(sim::CallCount(sim::RasFunction::EnumConnections), 1u);
        watch_.Stop();
    }
}

// A dial of ours that drops before the watch looked again was never seen up by it.
TEST_F(LineWatchTest, ALineToldUpIsWatchedEvenWhenItDropsBeforeThePoll) {
    for (const bool notify : {true, false}) {
        SCOPED_TRACE(notify ? "notification" : "poll");
        sim::Reset();
        sim::SetNotificationsOn(notify);
        Start();
        const std::uintptr_t line = sim::AddExternalConnection("宽带连接");
        watch_.LineUp();
        ASSERT_TRUE(sim::DropConnection(line));
        EXPECT_GE(WaitTold(notify ? 1500 : 6500), 0);
        watch_.Stop();
    }
}

TEST_F(LineWatchTest, StopReturnsAtOnceAndTheWatchCanStartAgain) {
    const std::uintptr_t line = sim::AddExternalConnection("宽带连接");
    Start();
    EXPECT_FALSE(watch_.Start([] {}));
    const DWORD start = GetTickCount();
    watch_.Stop();
    EXPECT_LT(GetTickCount() - start, 500u);
    EXPECT_FALSE(watch_.Watching());
    sim::DropConnection(line);
    EXPECT_EQ(WaitTold(300), -1);

    sim::Reset();
    const std::uintptr_t again = sim::AddExternalConnection("宽带连接");
    Start();
    sim::DropConnection(again);
    EXPECT_GE(WaitTold(1500), 0);
}

}  // namespace
