// The redial command: its attempts, the repeated-address loop, its four triggers, and the
// pause between hang-up and dial that dispatches messages without spinning.
#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "native/fake_services.h"
#include "ui/form_table.h"

namespace qv::testing {
namespace {

void TickRepeatBox(Rig& rig, bool ticked) {
    rig.units.ints[{Unit::选择框_IP重复, prop::kChecked}] = ticked ? 1 : 0;
}

void JournalPauses(Rig& rig) {
    rig.pump.journal = &rig.journal;
}

// Runs `onPause` each time the redial's pause dispatches messages, with the number of
// hang-ups so far (1 during the first attempt's pause, 2 during the second's, ...).
void DuringPauses(Rig& rig, std::function<void(int hangUps)> onPause) {
    // The fake runs each onProcess once; the handler re-arms itself. It holds itself only
    // weakly, so nothing leaks.
    auto handler = std::make_shared<std::function<void()>>();
    *handler = [&rig, self = std::weak_ptr(handler), onPause] {
        const auto& lines = rig.journal.entries;
        onPause(static_cast<int>(std::count(lines.begin(), lines.end(), "hangup")));
        rig.pump.onProcess = [again = self.lock()] { (*again)(); };
    };
    rig.pump.onProcess = [handler] { (*handler)(); };
}

struct RedialRow {
    const char* name;
    bool connectedAtStart;
    bool repeatBox;
    std::deque<bool> connected;  // when set, scripts every IsConnected answer
    std::deque<Text> pages;
    Lines expected;
};

// The fragments one attempt is made of.
const Lines kStart = {"status0 当前状态：正在重拔", "balloon 正在重拔.... kind=1"};
const Lines kHangUpAndPause = {kFetch, "hangup", "wait 1001"};

Lines Join(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Lines Compared(const std::string& current, const std::string& previous) {
    return {kFetch, "status1 当前IP：" + current, "status2 之前IP：" + previous};
}

// One attempt with the line up: the hang-up, the pause, the dial and the comparison.
Lines Attempt(const std::string& current, const std::string& previous) {
    return Join({kStart, kHangUpAndPause, {kTypedDial}, Compared(current, previous)});
}

TEST(RedialCommand, EveryOutcomeInItsOrder) {
    const Lines done = {"status0 当前状态：重拔完毕"};
    const Lines repeat = {"balloon IP重复，继续进行重拔 kind=2"};
    const Lines failed = {"balloon 重拔失败！ kind=3", "status0 当前状态：重拔失败"};
    const RedialRow rows[] = {
        // clang-format off
        {"nothing up: no hang-up, no pause, no previous lookup", false, false, {}, {"[9.9.9.9]"},
         Join({kStart, {kTypedDial}, Compared("9.9.9.9", ""),
               {"balloon 重拔完毕，当前IP为\"9.9.9.9\"，之前IP为\"\" kind=1"}, done})},
        {"new IP", true, false, {}, {"[1.1.1.1]", "[2.2.2.2]"},
         Join({Attempt("2.2.2.2", "1.1.1.1"),
               {"balloon 重拔完毕，当前IP为\"2.2.2.2\"，之前IP为\"1.1.1.1\" kind=1"}, done})},
        {"same IP, box clear", true, false, {}, {"[1.1.1.1]", "[1.1.1.1]"},
         Join({Attempt("1.1.1.1", "1.1.1.1"),
               {"balloon 重拔完毕，当前IP与之前IP重复：1.1.1.1 kind=1"}, done})},
        {"same IP, box ticked: starts over until the IP changes", true, true, {},
         {"[1.1.1.1]", "[1.1.1.1]", "[1.1.1.1]", "[1.1.1.1]", "[1.1.1.1]", "[3.3.3.3]"},
         Join({Attempt("1.1.1.1", "1.1.1.1"), repeat, Attempt("1.1.1.1", "1.1.1.1"), repeat,
               Attempt("3.3.3.3", "1.1.1.1"),
               {"balloon 重拔完毕，当前IP为\"3.3.3.3\"，之前IP为\"1.1.1.1\" kind=1"}, done})},
        // Up at the start, down after the pause and after the dial.
        {"failed dial", true, false, {true, false, false}, {"[1.1.1.1]"},
         Join({kStart, kHangUpAndPause, {kTypedDial}, failed})},
        {"a failed dial ends the repetition", true, true, {true, false, true, true, false, false},
         {"[1.1.1.1]", "[1.1.1.1]", "[1.1.1.1]"},
         Join({Attempt("1.1.1.1", "1.1.1.1"), repeat, kStart, kHangUpAndPause, {kTypedDial},
               failed})},
        {"both lookups failing count as equal and repeat", true, true, {},
         {"", "", "", "[4.4.4.4]"},
         Join({Attempt("", ""), repeat, Attempt("4.4.4.4", ""),
               {"balloon 重拔完毕，当前IP为\"4.4.4.4\"，之前IP为\"\" kind=1"}, done})},
        {"both lookups failing, box clear", true, false, {}, {"", ""},
         Join({Attempt("", ""), {"balloon 重拔完毕，当前IP与之前IP重复： kind=1"}, done})},
        // clang-format on
    };
    for (const RedialRow& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        rig.TypeDialTarget();
        JournalPauses(rig);
        TickRepeatBox(rig, row.repeatBox);
        rig.dialup.connected = row.connectedAtStart;
        rig.dialup.connectedAnswers = row.connected;
        rig.web.pages = row.pages;
        rig.assistant.RedialCommand();
        EXPECT_EQ(rig.journal.entries, row.expected);
    }
}

TEST(RedialCommand, FailureKeepsTheIpsAndTheirStatusParts) {
    Rig rig;
    rig.TypeDialTarget();
    rig.state.previousIp = "1.1.1.1";
    rig.state.currentIp = "2.2.2.2";
    rig.units.statusParts = {"当前状态：", "当前IP：2.2.2.2", "之前IP：1.1.1.1"};
    rig.dialup.dialConnects = false;
    rig.assistant.RedialCommand();
    EXPECT_EQ(rig.state.previousIp, "1.1.1.1") << "no lookup when nothing was up";
    EXPECT_EQ(rig.state.currentIp, "2.2.2.2");
    EXPECT_EQ(rig.units.statusParts[1], "当前IP：2.2.2.2");
    EXPECT_EQ(rig.units.statusParts[2], "之前IP：1.1.1.1");
    EXPECT_EQ(rig.pump.processed, 0) << "no pause without a hang-up";
    EXPECT_EQ(rig.pump.waits, 0);
}

TEST(RedialCommand, WithNothingUpComparesAgainstTheLastHangUp) {
    Rig rig;
    rig.TypeDialTarget();
    rig.state.previousIp = "5.5.5.5";
    rig.web.page = "[5.5.5.5]";
    rig.assistant.RedialCommand();
    EXPECT_EQ(rig.journal.entries[rig.journal.entries.size() - 2],
              "balloon 重拔完毕，当前IP与之前IP重复：5.5.5.5 kind=1");
}

// The box is read after every comparison: clearing it during the second attempt's pause
// makes that attempt the last one.
TEST(RedialCommand, ClearingTheBoxDuringAPauseEndsAfterThatAttempt) {
    Rig rig;
    rig.TypeDialTarget();
    TickRepeatBox(rig, true);
    rig.dialup.connected = true;
    rig.web.page = "[1.1.1.1]";
    DuringPauses(rig, [&rig](int hangUps) {
        if (hangUps == 2) {
            TickRepeatBox(rig, false);
        }
    });
    rig.assistant.RedialCommand();
    const Lines& lines = rig.journal.entries;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), kTypedDial), 2);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "balloon IP重复，继续进行重拔 kind=2"), 1);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "balloon 重拔完毕，当前IP与之前IP重复：1.1.1.1 kind=1");
    EXPECT_EQ(lines.back(), "status0 当前状态：重拔完毕");
}

// Each attempt reads the entry, account and password afresh.
TEST(RedialCommand, ReadsTheWindowOnEveryAttempt) {
    Rig rig;
    rig.TypeDialTarget();
    TickRepeatBox(rig, true);
    rig.dialup.connected = true;
    rig.web.pages = {"[1.1.1.1]", "[1.1.1.1]", "[1.1.1.1]", "[2.2.2.2]"};
    DuringPauses(rig, [&rig](int hangUps) {
        if (hangUps == 2) {
            rig.units.ints[{Unit::组合框_宽带连接, prop::kSelection}] = 2;
            rig.units.texts[{Unit::编辑框_宽带账号, prop::kContent}] = "other";
        }
    });
    rig.assistant.RedialCommand();
    Lines dials;
    std::copy_if(rig.journal.entries.begin(), rig.journal.entries.end(), std::back_inserter(dials),
                 [](const std::string& s) { return s.rfind("dial ", 0) == 0; });
    EXPECT_EQ(dials, (Lines{kTypedDial, "dial @2 other secret"}));
}

// Unbounded by design, so the repetition must not use a stack frame per attempt: the
// frame address seen inside every pause stays put across a thousand attempts.
TEST(RedialCommand, AThousandRepetitionsDoNotGrowTheStack) {
    constexpr int kAttempts = 1000;
    Rig rig;
    rig.TypeDialTarget();
    TickRepeatBox(rig, true);
    rig.dialup.connected = true;
    for (int i = 0; i < 2 * kAttempts - 1; ++i) {
        rig.web.pages.push_back("[1.1.1.1]");
    }
    rig.web.pages.push_back("[2.2.2.2]");
    std::uintptr_t lowest = UINTPTR_MAX, highest = 0;
    DuringPauses(rig, [&](int) {
        const auto frame = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
        lowest = std::min(lowest, frame);
        highest = std::max(highest, frame);
    });
    rig.assistant.RedialCommand();
    const Lines& lines = rig.journal.entries;
    EXPECT_EQ(std::count(lines.begin(), lines.end(), kTypedDial), kAttempts);
    EXPECT_EQ(rig.journal.entries.back(), "status0 当前状态：重拔完毕");
    EXPECT_LT(highest - lowest, 256u) << "the stack grew by " << (highest - lowest) << " bytes";
}

// The button, the tray entry, the clock tick and the matching hotkey all run one redial.
TEST(RedialCommand, AllFourTriggersRunTheSameCommand) {
    const struct {
        const char* name;
        Unit unit;
        int event;
    } triggers[] = {
        {"button", Unit::按钮_重拔, event::kClicked},
        {"tray menu", Unit::托盘菜单_重拔, event::kClicked},
        {"clock tick", Unit::时钟1, event::kTick},
        {"hotkey", Unit::标签_热键标签, event::kFeedback},
    };
    Lines reference;
    for (const auto& trigger : triggers) {
        SCOPED_TRACE(trigger.name);
        Rig rig;
        rig.TypeDialTarget();
        JournalPauses(rig);
        rig.state.hotkeyId = 33001;
        rig.dialup.connected = true;
        rig.web.pages = {"[1.1.1.1]", "[2.2.2.2]"};
        rig.assistant.Raise(BoundHandler(trigger.unit, trigger.event), 33001, 0);
        if (reference.empty()) {
            reference = rig.journal.entries;
            EXPECT_EQ(reference.back(), "status0 当前状态：重拔完毕");
        }
        EXPECT_EQ(rig.journal.entries, reference);
    }
}

TEST(TrayMenu, EntriesRunTheSameCommandsAsTheButtons) {
    const struct {
        Unit button, entry;
        Handler command;
    } rows[] = {
        {Unit::按钮_断线, Unit::托盘菜单_断线, Handler::HangUpCommand},
        {Unit::按钮_拔号, Unit::托盘菜单_拔号, Handler::DialCommand},
        {Unit::按钮_重拔, Unit::托盘菜单_重拔, Handler::RedialCommand},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(BoundHandler(row.button, event::kClicked), row.command);
        EXPECT_EQ(BoundHandler(row.entry, event::kClicked), row.command);
    }
}

// A message arriving during the pause runs to completion inside it, and the pause sleeps
// in WaitForEvents rather than polling.
TEST(DelayWithEvents, WaitsForMessagesOrTheDeadlineWithoutSpinning) {
    const struct {
        int milliseconds;
        std::uint32_t startTick;
        int expectedWaits;
    } rows[] = {
        {0, 1000, 0},    {-5, 1000, 0},
        {1000, 1000, 1}, {1000, 0xFFFFFF00u, 1},  // the tick count wraps during the pause
        {1, 5, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.milliseconds);
        Rig rig;
        rig.pump.now = row.startTick;
        rig.assistant.DelayWithEvents(row.milliseconds);
        EXPECT_EQ(rig.pump.waits, row.expectedWaits);
        const std::uint32_t elapsed = rig.pump.now - row.startTick;
        if (row.milliseconds > 0) {
            EXPECT_GT(elapsed, static_cast<std::uint32_t>(row.milliseconds));
            EXPECT_LE(elapsed, static_cast<std::uint32_t>(row.milliseconds) + 1);
        } else {
            EXPECT_EQ(rig.pump.processed, 0);
        }
    }
}

TEST(DelayWithEvents, DispatchesAfterEveryWakeUntilTheDeadline) {
    Rig rig;
    // Messages wake the wait early: the fake clock moves 300 ms per wake here.
    struct ShortWakes : EventPump {
        std::uint32_t now = 0;
        std::vector<std::uint32_t> asked;
        int processed = 0;
        void ProcessPendingEvents() override { ++processed; }
        std::uint32_t TickCount() override { return now; }
        void WaitForEvents(std::uint32_t ms) override {
            asked.push_back(ms);
            now += std::min<std::uint32_t>(ms, 300);
        }
    } pump;
    Services services{rig.units, rig.tray, rig.dialup, rig.web, pump, rig.profile, rig.hotkeys};
    Assistant assistant(rig.state, services);
    assistant.DelayWithEvents(1000);
    EXPECT_EQ(pump.asked, (std::vector<std::uint32_t>{1001, 701, 401, 101}));
    EXPECT_EQ(pump.processed, 5) << "messages are dispatched once more after the last wake";
}

TEST(DelayWithEvents, ACommandStartedDuringThePauseRunsToCompletionInsideIt) {
    Rig rig;
    rig.TypeDialTarget();
    rig.dialup.connected = true;
    rig.web.pages = {"[1.1.1.1]", "[2.2.2.2]"};
    // A click on 断线 arrives during the pause (the line is already down by then).
    rig.pump.onProcess = [&] { rig.assistant.Raise(Handler::HangUpCommand, 0, 0); };
    rig.assistant.RedialCommand();
    const Lines expected =
        Join({kStart,
              {kFetch, "hangup", "box 当前无拔号连接，无需断线！ style=0"},
              {kTypedDial},
              Compared("2.2.2.2", "1.1.1.1"),
              {"balloon 重拔完毕，当前IP为\"2.2.2.2\"，之前IP为\"1.1.1.1\" kind=1",
               "status0 当前状态：重拔完毕"}});
    EXPECT_EQ(rig.journal.entries, expected);
}

}  // namespace
}  // namespace qv::testing
