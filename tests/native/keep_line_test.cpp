// Keeping the line: retries by the failure's cause, the least gap between dials, drops, and
// what the programs that follow the line are told.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/keep_line.h"
#include "native/fake_services.h"

namespace qv::testing {
namespace {

using testing::Lines;

TEST(KeepLine, RetryFollowsTheCause) {
    KeepLineSettings settings;
    settings.retries = 5;
    settings.retryIntervalSeconds = 2;
    const struct {
        std::uint32_t code;
        int retriesMade;
        int accountRefusals;
        bool retry;
        std::uint32_t waitMs;
    } rows[] = {
        {691, 0, 1, true, 2000},  // one delayed retry: ISPs refuse a good account once
        {691, 1, 2, false, 0},    // never a third attempt
        {649, 0, 2, false, 0},
        {633, 0, 0, true, 1000},  // the port frees when the last hang-up ends
        {797, 4, 0, true, 1000},
        {678, 5, 0, false, 0},  // retries used up
        {1234, 0, 0, true, 2000},
        {0, 0, 0, false, 0},
    };
    for (const auto& row : rows) {
        std::uint32_t backoff = 0;
        const RetryStep step =
            NextRetry(settings, row.code, row.retriesMade, row.accountRefusals, backoff);
        EXPECT_EQ(step.retry, row.retry) << row.code;
        EXPECT_EQ(step.waitMs, row.waitMs) << row.code;
    }
    std::uint32_t backoff = 0;
    std::vector<std::uint32_t> waits;
    settings.retries = 100;
    for (int i = 0; i < 10; ++i) {
        waits.push_back(NextRetry(settings, 678, i, 0, backoff).waitMs);
    }
    EXPECT_EQ(waits, (std::vector<std::uint32_t>{2000, 4000, 8000, 16000, 32000, 64000, 128000,
                                                 256000, 300000, 300000}));
    settings.retries = 0;
    EXPECT_FALSE(NextRetry(settings, 678, 0, 0, backoff).retry) << "no retry unless asked for";
}

TEST(KeepLine, SettingsOutOfRangeKeepTheirDefaults) {
    FakeProfile profile;
    auto set = [&](const char* key, const char* value) {
        profile.values[{kKeepLineSection, key}] = value;
    };
    EXPECT_EQ(ReadKeepLineSettings(profile).retries, 0);
    set(kKeyRetries, "7");
    set(kKeyRetryInterval, "0");
    set(kKeyMinimumGap, "3601");
    set(kKeyRedialOnDrop, "1");
    set(kKeyWaitForAddress, " 30 ");
    const KeepLineSettings read = ReadKeepLineSettings(profile);
    EXPECT_EQ(read.retries, 7);
    EXPECT_EQ(read.retryIntervalSeconds, 5);
    EXPECT_EQ(read.minimumGapSeconds, 0);
    EXPECT_TRUE(read.redialOnDrop);
    EXPECT_EQ(read.waitForAddressSeconds, 30);
    set(kKeyRedialOnDrop, "yes");
    EXPECT_FALSE(ReadKeepLineSettings(profile).redialOnDrop);
}

class RecordingListeners : public LineListeners {
  public:
    explicit RecordingListeners(Journal& journal) : journal_(journal) {}
    void BeforeHangUp() override { journal_.Add("listeners: before hang-up"); }
    void OnLineEvent(const LineEvent& event) override {
        static const char* const kinds[] = {"connected", "disconnected", "dropped", "failed"};
        journal_.Add(std::string("listeners: ") + kinds[static_cast<int>(event.kind)] + " " +
                     event.ip + " " + std::to_string(event.rasError) +
                     (event.kept ? "" : " (not kept)"));
    }

  private:
    Journal& journal_;
};

struct KeepRig : Rig {
    RecordingListeners listeners{journal};
    KeepRig() {
        services.listeners = &listeners;
        pump.journal = &journal;
        dialup.entries = {"宽带连接"};
        web.page = "[203.0.113.5]";
    }
};

TEST(KeepLine, AutomaticDialsRetryWithTheirWaitsAPersonsDialDoesNot) {
    const struct {
        const char* name;
        std::deque<std::uint32_t> codes;
        bool automatic;
        CommandStatus status;
        int dials;
        Lines waits;
    } rows[] = {
        {"account refused twice", {691, 691, 0}, true, CommandStatus::Failed, 2, {"wait 2000"}},
        {"busy port", {633, 0}, true, CommandStatus::Done, 2, {"wait 1000"}},
        {"no answer three times",
         {678, 678, 678, 0},
         true,
         CommandStatus::Done,
         4,
         {"wait 2000", "wait 4000", "wait 8000"}},
        {"a person's dial", {678, 0}, false, CommandStatus::Failed, 1, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        KeepRig rig;
        KeepLineSettings settings;
        settings.retries = 5;
        settings.retryIntervalSeconds = 2;
        rig.assistant.SetKeepLine(settings);
        rig.dialup.dialCodes = row.codes;
        const CommandResult result = rig.assistant.DialCommand({.automatic = row.automatic});
        EXPECT_EQ(result.status, row.status);
        EXPECT_EQ(result.dials, row.dials);
        EXPECT_EQ(rig.Only("wait "), row.waits);
        EXPECT_EQ(rig.Only("listeners: ").size(), 1u) << "one event for the command";
    }
    KeepRig rig;
    rig.assistant.SetKeepLine({.retries = 3});
    rig.dialup.dialCodes = {691, 691};
    const CommandResult refused = rig.assistant.DialCommand({.automatic = true});
    EXPECT_EQ(refused.rasError, 691u);
    EXPECT_NE(refused.message.find("账号或密码被拒绝"), std::string::npos);
    EXPECT_EQ(rig.Only("listeners: "), Lines{"listeners: failed  691"});
}

TEST(KeepLine, ACommandStartedDuringTheWaitCancelsTheRetry) {
    KeepRig rig;
    rig.assistant.SetKeepLine({.retries = 5});
    rig.dialup.dialCodes = {678, 0};
    rig.pump.onProcess = [&] { rig.assistant.Raise(Handler::HangUpCommand, 0, 0); };
    const CommandResult result = rig.assistant.DialCommand({.automatic = true});
    EXPECT_EQ(result.status, CommandStatus::Failed);
    EXPECT_EQ(result.dials, 1);
    KeepRig dialled;  // a dial in the wait brought the line up: the retry leaves it be
    dialled.assistant.SetKeepLine({.retries = 5});
    dialled.dialup.dialCodes = {678, 0};
    dialled.pump.onProcess = [&] { dialled.assistant.Raise(Handler::DialCommand, 0, 0); };
    EXPECT_EQ(dialled.assistant.DialCommand({.automatic = true}).status, CommandStatus::GaveWay);
    EXPECT_EQ(dialled.Only("dial ").size(), 2u);
}

TEST(KeepLine, DialsKeepTheLeastGapWhoeverAsks) {
    KeepRig rig;
    rig.assistant.SetKeepLine({.minimumGapSeconds = 10});
    rig.assistant.Raise(Handler::DialCommand, 0, 0);
    rig.pump.now += 3000;
    rig.assistant.Raise(Handler::RedialCommand, 0, 0);
    EXPECT_EQ(rig.Only("wait "), (Lines{"wait 1001", "wait 6000"})) << "the pause, then the gap";
    EXPECT_EQ(rig.Only("dial ").size(), 2u);
}

// The gap wait pumps messages: a click and a timer tick nest commands inside it. Only the
// innermost dials, once the gap is over; the outer ones give way and never hang its line up.
TEST(KeepLine, CommandsNestedInAWaitLeaveTheLineToTheOneThatDialled) {
    KeepRig rig;
    rig.assistant.SetKeepLine({.minimumGapSeconds = 12});
    rig.assistant.DialCommand();
    const std::uint32_t firstDial = rig.pump.now;
    rig.dialup.connected = false;  // the line went away without us
    std::uint32_t innerDial = 0;
    CommandResult click;
    rig.pump.onProcess = [&] {
        rig.pump.onProcess = [&] {  // a timer tick inside the click's wait
            rig.assistant.TimedRedialTick();
            innerDial = rig.pump.now;
        };
        click = rig.assistant.DialCommand();
    };
    const CommandResult outer = rig.assistant.DialCommand({.automatic = true});
    EXPECT_EQ(outer.status, CommandStatus::GaveWay);
    EXPECT_EQ(click.status, CommandStatus::GaveWay);
    EXPECT_EQ(rig.Only("dial ").size(), 2u) << "the first dial and the tick's";
    EXPECT_GE(innerDial - firstDial, 12000u);
    EXPECT_TRUE(rig.Only("hangup").empty());
    EXPECT_EQ(rig.Only("listeners: ").size(), 2u) << "one connected for each dial";

    // A dial nested in a redial's pause: the redial leaves that line up.
    KeepRig paused;
    paused.dialup.connected = true;
    paused.pump.onProcess = [&] { paused.assistant.Raise(Handler::DialCommand, 0, 0); };
    const CommandResult redial = paused.assistant.RedialCommand({.automatic = true});
    EXPECT_EQ(redial.status, CommandStatus::GaveWay);
    EXPECT_EQ(paused.Only("hangup").size(), 1u);
    EXPECT_EQ(paused.Only("dial ").size(), 1u);
    EXPECT_TRUE(paused.dialup.connected);
}

TEST(KeepLine, ADropIsRedialledOnlyWhenAskedAndNeverAfterOurOwnHangUp) {
    for (const bool redial : {false, true}) {
        KeepRig rig;
        rig.assistant.SetKeepLine({.redialOnDrop = redial});
        rig.dialup.connected = true;
        rig.assistant.LineDown();
        EXPECT_TRUE(rig.Only("dial ").empty()) << "the line is still up: no drop";
        rig.dialup.connected = false;
        rig.assistant.LineDown();
        rig.assistant.LineDown();  // the watch may tell twice
        EXPECT_EQ(rig.Only("dial ").size(), redial ? 1u : 0u);
        EXPECT_EQ(rig.Only("listeners: dropped").size(), 1u);
    }
    KeepRig rig;
    rig.assistant.SetKeepLine({.redialOnDrop = true});
    rig.dialup.connected = true;
    rig.assistant.Raise(Handler::HangUpCommand, 0, 0);
    rig.assistant.LineDown();
    EXPECT_TRUE(rig.Only("dial ").empty());
    EXPECT_TRUE(rig.Only("listeners: dropped").empty());
}

TEST(KeepLine, ARedialWithdrawsBeforeItsHangUpAndTellsInOrder) {
    KeepRig rig;
    rig.dialup.connected = true;
    rig.web.pages = {"[203.0.113.4]", "[203.0.113.5]"};
    rig.assistant.Raise(Handler::RedialCommand, 0, 0);
    Lines order;
    for (const auto& entry : rig.journal.entries) {
        if (entry.rfind("listeners: ", 0) == 0 || entry == "hangup" ||
            entry.rfind("dial ", 0) == 0) {
            order.push_back(entry.rfind("dial ", 0) == 0 ? "dial" : entry);
        }
    }
    EXPECT_EQ(order, (Lines{"listeners: before hang-up", "hangup", "listeners: disconnected  0",
                            "dial", "listeners: connected 203.0.113.5 0"}));
}

// The pool publishes only a line the command keeps: a round redialled away from (the box's
// loop, /until-new) is told as not kept, and so is the last round of a redial that failed.
TEST(KeepLine, OnlyTheLineARedialKeepsIsToldAsKept) {
    KeepRig ticked;
    ticked.dialup.connected = true;
    ticked.units.ints[{Unit::选择框_IP重复, prop::kChecked}] = 1;
    ticked.web.pages = {"[61.1.1.1]", "[61.1.1.1]", "[61.1.1.1]", "[61.3.3.3]"};
    ticked.assistant.RedialCommand();
    EXPECT_EQ(
        ticked.Only("listeners: connected"),
        (Lines{"listeners: connected 61.1.1.1 0 (not kept)", "listeners: connected 61.3.3.3 0"}));

    KeepRig untilNew;
    untilNew.dialup.connected = true;
    untilNew.web.page = "[61.1.1.1]";
    const CommandResult failed = untilNew.assistant.RedialCommand(
        {.repeat = RedialOptions::Repeat::UntilNewAddress, .maxTries = 2});
    EXPECT_EQ(failed.status, CommandStatus::Failed);
    EXPECT_EQ(untilNew.Only("listeners: connected"),
              (Lines{"listeners: connected 61.1.1.1 0 (not kept)",
                     "listeners: connected 61.1.1.1 0 (not kept)"}));
}

TEST(KeepLine, WaitsForTheAddressWhenAsked) {
    KeepRig rig;
    rig.assistant.SetKeepLine({.waitForAddressSeconds = 5});
    rig.web.pages = {"", "[]", "[203.0.113.9]"};
    const CommandResult result = rig.assistant.DialCommand();
    EXPECT_EQ(result.ipAfter, "203.0.113.9");
    EXPECT_EQ(rig.Only("fetch ").size(), 3u);
    KeepRig unanswered;
    unanswered.assistant.SetKeepLine({.waitForAddressSeconds = 3});
    unanswered.web.page = "<html>error</html>";
    EXPECT_EQ(unanswered.assistant.DialCommand().ipAfter, "");
    EXPECT_EQ(unanswered.Only("fetch ").size(), 4u) << "at once, then every second for 3 s";
}

}  // namespace
}  // namespace qv::testing
