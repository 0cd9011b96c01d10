// Timed and hotkey redial in the real Quorvane.exe against the simulated ISP: the clock
// redials on its own while the command buttons are disabled, and a WM_HOTKEY for the
// registered identifier redials once.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/support/e2e_driver.h"
#include "sim_control.h"
#include "wine/support/wine_support.h"

namespace qv::e2e {
namespace {

namespace sim = qv::sim;

constexpr Unit kCommandButtons[] = {Unit::按钮_拔号, Unit::按钮_断线, Unit::按钮_重拔};
constexpr int kFirstHotkeyId = 33001;  // the first registration of a run

class TimedE2eTest : public E2eTest {
  protected:
    TimedE2eTest() { addresses = {"203.0.113.21", "203.0.113.22", "203.0.113.23"}; }

    void SetUp() override {
        E2eTest::SetUp();
        StartProgram(ConfigText(isp->EchoUrl(), "0", "a12345@adsl", "pw-678"));
        ASSERT_TRUE(app->Click(Unit::按钮_拔号));
        ASSERT_TRUE(app->WaitForStatus(0, "当前状态：拔号完毕", 60000));
        ASSERT_TRUE(app->WaitUntilIdle());
        sim::ClearCalls();
    }

    std::uint32_t Dials() { return sim::CallCount(sim::RasFunction::Dial); }

    // Sends WM_HOTKEY as the system would post it; returns once the program has handled it
    // (a redial runs inside the handler), false when no answer came within a minute.
    bool SendHotkey(WPARAM id, LPARAM keys = 0) {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(app->MainWindow(), WM_HOTKEY, id, keys, SMTO_ABORTIFHUNG, 60000,
                                   &result) != 0;
    }

    // Waits until no dial has been made for `quietMs`; false if dials go on to the deadline.
    bool WaitForDialsToSettle(DWORD quietMs, DWORD timeoutMs) {
        std::uint32_t last = Dials();
        DWORD since = GetTickCount();
        return testing::WaitUntil(
            [&] {
                const std::uint32_t now = Dials();
                if (now != last) {
                    last = now;
                    since = GetTickCount();
                }
                return GetTickCount() - since >= quietMs;
            },
            timeoutMs);
    }

    bool CommandButtonsEnabled(bool enabled) {
        for (Unit button : kCommandButtons) {
            if (app->Enabled(button) != enabled) {
                return false;
            }
        }
        return true;
    }
};

TEST_F(TimedE2eTest, IntervalOfOneSecondRedialsUntilTheSecondClick) {
    ASSERT_TRUE(app->SetText(Unit::编辑框_定时间隔, "1"));
    ASSERT_TRUE(app->Click(Unit::按钮_定时));
    ASSERT_TRUE(testing::WaitUntil([&] { return app->Text(Unit::按钮_定时) == "停止定时"; }));
    EXPECT_TRUE(CommandButtonsEnabled(false));

    ASSERT_TRUE(testing::WaitUntil([&] { return Dials() >= 3; }, 60000))
        << "dials so far: " << Dials();
    EXPECT_TRUE(CommandButtonsEnabled(false)) << "still disabled while timing is on";
    EXPECT_EQ(app->Text(Unit::按钮_定时), "停止定时");

    ASSERT_TRUE(app->Click(Unit::按钮_定时));
    ASSERT_TRUE(
        testing::WaitUntil([&] { return app->Text(Unit::按钮_定时) == "开始定时"; }, 60000));
    // A redial the click landed in finishes; after that the clock makes no more.
    EXPECT_TRUE(WaitForDialsToSettle(3000, 60000)) << "dials go on after the second click";
    ASSERT_TRUE(app->WaitUntilIdle());
    EXPECT_TRUE(CommandButtonsEnabled(true));
}

// The tray menu's entries are units of their own: disabled buttons leave them working.
TEST_F(TimedE2eTest, TrayMenuWorksWhileTimingDisablesTheButtons) {
    ASSERT_TRUE(app->SetText(Unit::编辑框_定时间隔, "3600"));  // no tick during the test
    ASSERT_TRUE(app->Click(Unit::按钮_定时));
    ASSERT_TRUE(testing::WaitUntil([&] { return app->Text(Unit::按钮_定时) == "停止定时"; }));
    ASSERT_TRUE(CommandButtonsEnabled(false));

    const struct {
        int entry;
        const char* state;
        std::uint32_t dials;
    } steps[] = {
        {0, "当前状态：已断开网络连接", 0},  // 断线
        {1, "当前状态：拔号完毕", 1},        // 拔号
        {2, "当前状态：重拔完毕", 2},        // 重拔
    };
    for (const auto& step : steps) {
        ASSERT_TRUE(app->ChooseTrayMenuEntry(step.entry)) << step.state;
        ASSERT_TRUE(app->WaitForStatus(0, step.state, 60000))
            << app->StatusText(0).value_or("(busy)");
        ASSERT_TRUE(app->WaitUntilIdle());
        EXPECT_EQ(Dials(), step.dials) << step.state;
    }
    EXPECT_EQ(sim::Connections().size(), 1u);
    EXPECT_TRUE(CommandButtonsEnabled(false)) << "the menu leaves the buttons as they were";
}

TEST_F(TimedE2eTest, TickedHotkeyRedialsOncePerPressOfTheRegisteredId) {
    EXPECT_EQ(app->Enabled(Unit::组合框_热键), false);
    ASSERT_TRUE(app->Click(Unit::选择框_热键));
    ASSERT_TRUE(testing::WaitUntil([&] { return app->Enabled(Unit::组合框_热键) == true; }));
    ASSERT_TRUE(app->WaitUntilIdle());
    // F1 without modifiers is now held by the program, so nobody else can have it.
    EXPECT_FALSE(RegisterHotKey(nullptr, 1, 0, VK_F1)) << "F1 is not registered";

    ASSERT_TRUE(PostMessageA(app->MainWindow(), WM_HOTKEY, kFirstHotkeyId, MAKELPARAM(0, VK_F1)));
    ASSERT_TRUE(app->WaitForStatus(0, "当前状态：重拔完毕", 60000))
        << app->StatusText(0).value_or("(busy)");
    ASSERT_TRUE(app->WaitUntilIdle());
    EXPECT_EQ(Dials(), 1u);
    EXPECT_EQ(app->StatusText(1), "当前IP：203.0.113.22");

    // An identifier the program never issued does nothing.
    ASSERT_TRUE(SendHotkey(kFirstHotkeyId + 1));
    EXPECT_EQ(Dials(), 1u);

    // Unticked: the key is released and the combo box disabled again.
    ASSERT_TRUE(app->Click(Unit::选择框_热键));
    ASSERT_TRUE(testing::WaitUntil([&] { return app->Enabled(Unit::组合框_热键) == false; }));
    ASSERT_TRUE(app->WaitUntilIdle());
    EXPECT_TRUE(RegisterHotKey(nullptr, 1, 0, VK_F1)) << "F1 was not released";
    UnregisterHotKey(nullptr, 1);
}

// Picking F3 releases F1 and registers F3 under a new identifier. Real key presses go
// through the X server: under Wine a key reaches the registered hotkey while one of Wine's
// windows has the X focus, so the program's window is clicked first.
TEST_F(TimedE2eTest, SwitchingToF3MovesTheRedialToARealF3) {
    ASSERT_TRUE(app->Click(Unit::选择框_热键));
    ASSERT_TRUE(testing::WaitUntil([&] { return app->Enabled(Unit::组合框_热键) == true; }));
    ASSERT_TRUE(app->WaitUntilIdle());
    ASSERT_TRUE(app->ChooseComboItem(Unit::组合框_热键, 2));
    ASSERT_TRUE(testing::WaitUntil([] {
        const bool f1Free = RegisterHotKey(nullptr, 1, 0, VK_F1) != FALSE;
        UnregisterHotKey(nullptr, 1);
        return f1Free;
    })) << "F1 was not released";
    ASSERT_TRUE(app->WaitUntilIdle());
    EXPECT_FALSE(RegisterHotKey(nullptr, 2, 0, VK_F3)) << "F3 is not registered";
    UnregisterHotKey(nullptr, 2);

    ASSERT_TRUE(SendHotkey(kFirstHotkeyId, MAKELPARAM(0, VK_F1)));
    EXPECT_EQ(Dials(), 0u) << "the old identifier redialled";

    sim::ClearCalls();
    const auto spot = app->CentreOf(Unit::标签4);  // a label: the click does nothing else
    ASSERT_TRUE(spot.has_value());
    const std::string click = "mousemove " + std::to_string(spot->x) + " " +
                              std::to_string(spot->y) + " click 1 sleep 0.5 ";
    if (!XdoTool(click + "key F1 sleep 1 key F3")) {
        GTEST_SKIP() << "no xdotool to press keys with";
    }
    ASSERT_TRUE(app->WaitForStatus(0, "当前状态：重拔完毕", 60000))
        << "F3 did not redial: " << app->StatusText(0).value_or("(busy)");
    ASSERT_TRUE(app->WaitUntilIdle());
    EXPECT_TRUE(WaitForDialsToSettle(3000, 60000));
    EXPECT_EQ(Dials(), 1u) << "F1 redialled as well";
}

}  // namespace
}  // namespace qv::e2e
