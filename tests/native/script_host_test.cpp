// Scripted commands on the window's thread: the queue that keeps them from nesting, and the
// host that runs them as the buttons do and reports the outcome.
#include "control/script_host.h"
#include "control/host.h"

#include <gtest/gtest.h>

#include "base/time_text.h"
#include "native/iconv_codec.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

#include "native/fake_services.h"

namespace qv {
namespace {

using testing::Journal;

TEST(CommandQueueTest, JobsRunInOrderOnlyWhenNoHandlerRuns) {
    int wakes = 0;
    CommandQueue queue([&] { ++wakes; });
    EXPECT_FALSE(queue.Busy());
    EXPECT_FALSE(queue.BeginNext().has_value());

    queue.EnterHandler();  // a person's redial is running
    (void)queue.Submit({{ScriptVerb::Dial}, nullptr, {}});
    (void)queue.Submit({{ScriptVerb::HangUp}, nullptr, {}});
    EXPECT_EQ(wakes, 2);
    EXPECT_TRUE(queue.Busy());
    EXPECT_FALSE(queue.BeginNext().has_value()) << "never inside another command";
    queue.EnterHandler();  // a click nested in its pause
    queue.LeaveHandler();
    EXPECT_EQ(wakes, 2) << "still inside the redial";
    queue.LeaveHandler();
    EXPECT_EQ(wakes, 3) << "back at rest with jobs waiting";

    auto first = queue.BeginNext();
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->command.verb, ScriptVerb::Dial);
    EXPECT_FALSE(queue.BeginNext().has_value()) << "one at a time";
    EXPECT_TRUE(queue.Busy());
    queue.LeaveHandler();
    auto second = queue.BeginNext();
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->command.verb, ScriptVerb::HangUp);
    EXPECT_TRUE(queue.Busy()) << "running counts as busy";
    queue.LeaveHandler();
    EXPECT_FALSE(queue.Busy());
    EXPECT_EQ(wakes, 4);
}

TEST(CommandQueueTest, SubmissionsFromOtherThreadsAreNeitherLostNorDoubled) {
    CommandQueue queue([] {});
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&queue, t] {
            for (int i = 0; i < 100; ++i) {
                // A full queue refuses; this caller tries again until it is taken.
                while (!queue.Submit({{ScriptVerb::Redial, true, 1 + t}, nullptr, {}})) {
                    std::this_thread::yield();
                }
            }
        });
    }
    int taken[4] = {};
    int total = 0;
    while (total < 400) {
        if (auto job = queue.BeginNext()) {
            ++taken[job->command.tries - 1];
            ++total;
            queue.LeaveHandler();
        }
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(std::count(std::begin(taken), std::end(taken), 100), 4);
    EXPECT_FALSE(queue.Busy());
}

// An assistant on the fakes, with the queue and status board of the program.
struct HostRig : testing::Rig {
    int wakes = 0;
    CommandQueue queue{[this] { ++wakes; }};
    StatusBoard board;
    ScriptHost host{assistant, state, services, queue, board};
    BoardListener boardListener{board};  // as the program installs it

    HostRig() {
        followers.Add(boardListener);
        dialup.entries = {"宽带连接", "电信ADSL"};
        units.ints[{Unit::组合框_宽带连接, prop::kSelection}] = 1;
        units.texts[{Unit::编辑框_宽带账号, prop::kContent}] = "acc";
        units.texts[{Unit::编辑框_宽带密码, prop::kContent}] = "secret";
        assistant.FillEntryList();  // as the start-up does
        journal.entries.clear();
    }
    bool Shown(const std::string& prefix) const { return !journal.Only(prefix).empty(); }
};

TEST(ScriptHostTest, OutcomesOfEachCommand) {
    struct Row {
        const char* name;
        ScriptCommand command;
        bool connectedAtStart;
        bool dialConnects;
        bool repeatBox;
        std::deque<Text> pages;
        bool ok;
        const char* error;
        int tries;
        std::uint32_t rasError;
        const char* ip;
        const char* previousIp;
    };
    // clang-format off
    const Row rows[] = {
        // name, command, line up, dial connects, box ticked, echo pages,
        //   ok, error, tries, RAS error, ip, previous ip
        {"status", {ScriptVerb::Status}, true, true, false, {},
         true, "", 0, 0, "", ""},
        {"dial", {ScriptVerb::Dial}, false, true, false, {"[1.1.1.1]"},
         true, "", 1, 0, "1.1.1.1", ""},
        {"dial refused", {ScriptVerb::Dial}, true, true, false, {},
         false, "当前已有网络链接，请断线后再拔号！", 0, 0, "", ""},
        {"dial fails", {ScriptVerb::Dial}, false, false, false, {},
         false, "拔号失败！", 1, 691, "", ""},
        {"hang-up", {ScriptVerb::HangUp}, true, true, false, {"[1.1.1.1]"},
         true, "", 0, 0, "", "1.1.1.1"},
        {"hang-up refused", {ScriptVerb::HangUp}, false, true, false, {},
         false, "当前无拔号连接，无需断线！", 0, 0, "", ""},
        {"redial, new IP", {ScriptVerb::Redial}, true, true, false, {"[1.1.1.1]", "[2.2.2.2]"},
         true, "", 1, 0, "2.2.2.2", "1.1.1.1"},
        {"redial follows the ticked box", {ScriptVerb::Redial}, true, true, true,
         {"[1.1.1.1]", "[1.1.1.1]", "[1.1.1.1]", "[2.2.2.2]"},
         true, "", 2, 0, "2.2.2.2", "1.1.1.1"},
        {"redial fails", {ScriptVerb::Redial}, true, false, false, {"[1.1.1.1]"},
         false, "重拔失败！", 1, 691, "", "1.1.1.1"},
        {"until new, repeated twice", {ScriptVerb::Redial, true, 5}, true, true, false,
         {"[1.1.1.1]", "[1.1.1.1]", "[1.1.1.1]", "[1.1.1.1]", "[1.1.1.1]", "[3.3.3.3]"},
         true, "", 3, 0, "3.3.3.3", "1.1.1.1"},
        {"until new ignores the ticked box and stops at its tries",
         {ScriptVerb::Redial, true, 2}, true, true, true, {"[1.1.1.1]"},
         false, "重拔2次后IP仍未改变", 2, 0, "1.1.1.1", "1.1.1.1"},
        {"until new with the line down compares with the last IP",
         {ScriptVerb::Redial, true, 3}, false, true, false, {"[4.4.4.4]"},
         true, "", 1, 0, "4.4.4.4", ""},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        HostRig rig;
        rig.dialup.connected = row.connectedAtStart;
        rig.dialup.dialConnects = row.dialConnects;
        rig.units.ints[{Unit::选择框_IP重复, prop::kChecked}] = row.repeatBox ? 1 : 0;
        rig.web.pages = row.pages;
        rig.web.page = row.pages.empty() ? Text() : row.pages.back();
        const ScriptOutcome outcome = rig.host.Run(row.command);
        EXPECT_EQ(outcome.command, row.command.verb);
        EXPECT_EQ(outcome.ok, row.ok);
        EXPECT_EQ(outcome.error, row.error);
        EXPECT_EQ(outcome.tries, row.tries);
        EXPECT_EQ(outcome.rasError, row.rasError);
        EXPECT_EQ(outcome.ip, row.ip);
        EXPECT_EQ(outcome.previousIp, row.previousIp);
        EXPECT_EQ(outcome.entry, "电信ADSL");
        EXPECT_FALSE(rig.Shown("box ")) << "a script never gets a message box";
        EXPECT_EQ(rig.board.Status(false).ip, outcome.ip) << "the outcome is published";
        if (row.command.untilNew) {
            EXPECT_FALSE(rig.Shown("balloon IP重复，继续进行重拔")) << "the box is not read";
        }
    }
}

// A status tells the line's own address: the start-up's while that line stays up, none once
// it has dropped (whether answered fresh or at once during a command). Commands never list
// the phonebook again: the names come from the start-up's listing.
TEST(ScriptHostTest, AStatusTellsTheAddressOfTheLineThatIsUp) {
    HostRig rig;
    rig.dialup.connected = true;
    rig.web.page = "[61.140.7.9]";
    rig.assistant.InitMainWindow();
    EXPECT_EQ(rig.host.Run({ScriptVerb::Status}).ip, "61.140.7.9");

    rig.journal.entries.clear();
    rig.web.page = "[61.140.7.10]";
    for (const ScriptVerb verb : {ScriptVerb::Redial, ScriptVerb::HangUp, ScriptVerb::Dial}) {
        EXPECT_TRUE(rig.host.Run({verb}).ok);
    }
    EXPECT_FALSE(rig.Shown("entr")) << "no phonebook listing";
    EXPECT_EQ(rig.host.Run({ScriptVerb::Status}).entry, "宽带连接");  // as restored

    rig.dialup.connected = false;  // dropped
    rig.host.LineDown();
    EXPECT_EQ(rig.board.Status(true).ip, "");
    EXPECT_FALSE(rig.board.Status(true).connected);
    EXPECT_EQ(rig.host.Run({ScriptVerb::Status}).ip, "");
}

// The addresses the line kept, newest first, each with when it came and went; a round that a
// redial dialled away from is none of them. Answered at once, even while a command runs.
TEST(ScriptHostTest, AHistoryListsTheKeptAddressesAtOnce) {
    HostRig rig;
    std::int64_t now = 1765264424;  // 2025-12-09T07:13:44Z
    BoardListener timed{rig.board, [&] { return now++; }};
    rig.services.listeners = &timed;
    rig.units.ints[{Unit::选择框_IP重复, prop::kChecked}] = 1;
    // The dial's lookup, then each redial round's before and after.
    rig.web.pages = {"[61.1.1.1]", "[61.1.1.1]", "[61.1.1.1]", "[61.1.1.1]", "[61.2.2.2]"};
    rig.host.Run({ScriptVerb::Dial});
    rig.host.Run({ScriptVerb::Redial});  // the first round repeats 61.1.1.1
    rig.queue.EnterHandler();            // a command runs
    const auto history = StatusAtOnce({ScriptVerb::History}, rig.queue, rig.board);
    rig.queue.LeaveHandler();
    ASSERT_TRUE(history.has_value());
    EXPECT_EQ(history->history, (std::vector<HistoryEntry>{{"61.2.2.2", now - 1, 0},
                                                           {"61.1.1.1", 1765264424, 1765264425}}));
    testing::IconvCodec codec;
    const std::string json = ResultJson(*history, codec);
    EXPECT_NE(json.find("\"history\":[{\"ip\":\"61.2.2.2\",\"came\":\"2025-12-09T07:13:4"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"came\":\"2025-12-09T07:13:44Z\",\"went\":\"2025-12-09T07:13:45Z\""),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"went\":null"), std::string::npos);
    EXPECT_EQ(UtcTimeText(951782400), "2000-02-29T00:00:00Z");
    EXPECT_EQ(UtcTimeText(-5), "1970-01-01T00:00:00Z");
}

TEST(ScriptHostTest, APersonsRefusalDuringAScriptedRedialStillShowsItsBox) {
    HostRig rig;
    rig.dialup.connected = true;
    rig.web.page = "[1.1.1.1]";
    // A click on 断线 during the redial's pause: the line is down then.
    rig.pump.onProcess = [&] { rig.host.Raise(Handler::HangUpCommand, 0, 0); };
    (void)rig.queue.Submit({{ScriptVerb::Redial}, nullptr, {}});
    ScriptOutcome outcome;
    (void)rig.queue.Submit(
        {{ScriptVerb::Status}, [&](const ScriptOutcome& o) { outcome = o; }, {}});
    rig.host.RunNext();
    EXPECT_TRUE(rig.Shown("box 当前无拔号连接，无需断线！"));
    EXPECT_TRUE(rig.queue.Busy()) << "the status request still waits";
    rig.host.RunNext();
    EXPECT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.connected);
    EXPECT_FALSE(outcome.busy);
    EXPECT_FALSE(rig.queue.Busy());
}

TEST(ScriptHostTest, AJobWaitsForTheWindowsOwnCommand) {
    HostRig rig;
    rig.dialup.connected = true;
    rig.web.page = "[1.1.1.1]";
    std::vector<std::string> order;
    // A scripted dial arrives during the pause of a person's redial and is woken for.
    rig.pump.onProcess = [&] {
        (void)rig.queue.Submit(
            {{ScriptVerb::Dial},
             [&](const ScriptOutcome& o) { order.push_back("script " + o.error); },
             {}});
        rig.host.RunNext();  // the wake message, dispatched inside the pause
        order.push_back("pause over");
    };
    const int wakesBefore = rig.wakes;
    rig.host.Raise(Handler::RedialCommand, 0, 0);
    order.push_back("redial done");
    EXPECT_EQ(rig.wakes, wakesBefore + 2) << "woken on submit and again at rest";
    rig.host.RunNext();
    EXPECT_EQ(order, (std::vector<std::string>{"pause over", "redial done",
                                               "script 当前已有网络链接，请断线后再拔号！"}));
}

TEST(ScriptHostTest, ACommandThatThrowsLeavesTheQueueUsableAndIsAnswered) {
    HostRig rig;
    rig.dialup.connected = true;
    rig.web.page = "[1.1.1.1]";
    rig.pump.onProcess = [] { throw std::runtime_error("inside the pause"); };
    std::vector<std::string> errors;
    auto record = [&](const ScriptOutcome& o) { errors.push_back(o.ok ? "ok" : "failed"); };
    ASSERT_TRUE(rig.queue.Submit({{ScriptVerb::Redial}, record, {}}));
    ASSERT_TRUE(rig.queue.Submit({{ScriptVerb::Status}, record, {}}));
    rig.host.RunNext();
    rig.host.RunNext();  // runs only if the failed command left the queue
    EXPECT_EQ(errors, (std::vector<std::string>{"failed", "ok"}));
    EXPECT_FALSE(rig.queue.Busy());
}

}  // namespace
}  // namespace qv
