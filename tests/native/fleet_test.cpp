// A fleet node's redials: the settings' bounds, the drain before the hang-up, pauses that grow
// after repeated addresses, and timer waits that drift apart.
#include <gtest/gtest.h>

#include <deque>
#include <set>

#include "app/fleet_settings.h"
#include "native/fake_services.h"

namespace qv::testing {
namespace {

TEST(FleetSettings, BoundsPausesAndJitter) {
    FakeProfile profile;
    EXPECT_EQ(ReadFleetSettings(profile).pauseSeconds, 0);
    profile.values[{kFleetSection, kKeyDrainSeconds}] = "61";
    profile.values[{kFleetSection, kKeyPauseSeconds}] = "2";
    profile.values[{kFleetSection, kKeyJitterPercent}] = "20";
    const FleetSettings read = ReadFleetSettings(profile);
    EXPECT_EQ(read.drainSeconds, 0) << "out of range keeps the default";
    EXPECT_EQ(read.jitterPercent, 20);

    EXPECT_EQ(RedialPauseMs({}, 5), 1000u) << "without 断线等待 the pause never grows";
    for (const auto& [repeats, pause] :
         {std::pair{0, 2000u}, {1, 4000u}, {2, 8000u}, {9, 60000u}}) {
        EXPECT_EQ(RedialPauseMs(read, repeats), pause) << repeats;
    }
    EXPECT_EQ(JitteredIntervalMs(20000, 20, 0), 16000u);
    EXPECT_EQ(JitteredIntervalMs(20000, 20, 0xffffffffu), 24000u);
    EXPECT_EQ(JitteredIntervalMs(20000, 20, 0x80000000u), 20000u);
    EXPECT_EQ(JitteredIntervalMs(20000, 0, 0), 20000u);
}

// The fleet's records as a node sees them: `slots` answers in turn (then Taken), `seen` the
// addresses other nodes had. Every call is journalled, and so is each wait a follower is told.
struct FakeFleet final : Fleet, LineListeners {
    explicit FakeFleet(Journal& journal) : journal_(journal) {}
    std::deque<Slot> slots;
    std::set<Text> seen;
    Slot TakeRotationSlot() override {
        journal_.Add("take slot");
        const Slot slot = slots.empty() ? Slot::Taken : slots.front();
        if (!slots.empty()) {
            slots.pop_front();
        }
        return slot;
    }
    void ReleaseRotationSlot() override { journal_.Add("release slot"); }
    bool SeenLately(const Text& ip) override {
        journal_.Add("seen? " + ip);
        return seen.count(ip) != 0;
    }
    void BeforeHangUp() override {}
    void OnLineEvent(const LineEvent&) override {}
    void OnWaiting(WaitKind kind) override {
        journal_.Add(kind == WaitKind::Slot    ? "waiting slot"
                     : kind == WaitKind::Drain ? "waiting drain"
                                               : "waiting none");
    }

  private:
    Journal& journal_;
};

struct FleetRig : Rig {
    FleetRig() {
        pump.journal = &journal;
        dialup.entries = {"宽带连接"};
        dialup.connected = true;
        web.page = "[61.1.1.1]";
        followers.Add(fleet);
        services.fleet = &fleet;
    }
    FakeFleet fleet{journal};
};

TEST(FleetRedial, DrainsBeforeTheHangUpAndPausesLongerAfterEachRepeat) {
    FleetRig rig;
    rig.assistant.SetFleet({.drainSeconds = 3, .pauseSeconds = 2});
    rig.units.ints[{Unit::选择框_IP重复, prop::kChecked}] = 1;
    // Before and after each round's dial: repeated twice, then new.
    rig.web.pages = {"[61.1.1.1]", "[61.1.1.1]", "[61.1.1.1]",
                     "[61.1.1.1]", "[61.1.1.1]", "[61.2.2.2]"};
    rig.assistant.RedialCommand();
    EXPECT_EQ(rig.Only("wait "), (Lines{"wait 3001", "wait 2001", "wait 3001", "wait 4001",
                                        "wait 3001", "wait 8001"}));
    EXPECT_EQ(rig.Only("status0 当前状态：已从代理池摘除").size(), 3u);
    EXPECT_EQ(rig.Only("waiting").size(), 6u) << "each drain starts and ends a wait";

    // A person's hang-up during the drain has the last word: the redial gives way.
    FleetRig nested;
    nested.assistant.SetFleet({.drainSeconds = 3});
    nested.pump.onProcess = [&] { nested.assistant.Raise(Handler::HangUpCommand, 0, 0); };
    EXPECT_EQ(nested.assistant.RedialCommand().status, CommandStatus::GaveWay);
    EXPECT_EQ(nested.Only("hangup").size(), 1u);
    EXPECT_TRUE(nested.Only("dial ").empty());
}

TEST(FleetRedial, TimedWaitsAreDrawnAfreshEachTick) {
    Rig rig;
    rig.assistant.SetFleet({.jitterPercent = 20});
    std::uint32_t draws[] = {0, 0xffffffffu};
    int next = 0;
    rig.assistant.SetRandomSource([&] { return draws[next++ % 2]; });
    rig.units.texts[{Unit::按钮_定时, prop::kCaption}] = "开始定时";
    rig.units.texts[{Unit::编辑框_定时间隔, prop::kContent}] = "20";
    const auto period = [&] { return rig.units.ints[{Unit::时钟1, prop::kContent}]; };
    rig.assistant.ToggleTimedRedial();
    EXPECT_EQ(period(), 16000);
    rig.assistant.TimedRedialTick();
    EXPECT_EQ(period(), 24000);
}

// A timer's or a script's redial waits for a slot, checking every second, before it withdraws;
// a person's goes ahead at once. Either gives the slot back at its end, and a Redis that does
// not answer holds nobody.
TEST(FleetRedial, AnAutomaticRedialWaitsForASlotAndAPersonsGoesAhead) {
    using Slot = Fleet::Slot;
    FleetRig automatic;
    automatic.fleet.slots = {Slot::Full, Slot::Full, Slot::Taken};
    automatic.assistant.RedialCommand({.automatic = true});
    const Lines expected = {"take slot",   "waiting slot", "wait 1001", "waiting none",
                            "take slot",   "waiting slot", "wait 1001", "waiting none",
                            "take slot",   "hangup",       "wait 1001", "seen? 61.1.1.1",
                            "release slot"};
    EXPECT_EQ(automatic.journal.Only({"take", "waiting", "wait ", "hangup", "seen", "release"}),
              expected);
    EXPECT_EQ(automatic.Only("status0 当前状态：同时重拔的节点已满，等待空位").size(), 2u);

    for (const Slot answer : {Slot::Full, Slot::NoAnswer}) {
        FleetRig person;
        person.fleet.slots = {answer};
        person.assistant.RedialCommand();
        EXPECT_TRUE(person.Only("waiting slot").empty());
        EXPECT_EQ(person.Only("hangup").size(), 1u);
        EXPECT_EQ(person.Only("release slot").size(), 1u);
    }
    FleetRig gone;
    gone.fleet.slots = {Slot::NoAnswer};
    gone.assistant.RedialCommand({.automatic = true});
    EXPECT_EQ(gone.Only("hangup").size(), 1u) << "Redis away: go ahead";

    // A person's command during the wait has the last word; no slot was taken.
    FleetRig nested;
    nested.fleet.slots = {Slot::Full};
    nested.pump.onProcess = [&] { nested.assistant.Raise(Handler::HangUpCommand, 0, 0); };
    EXPECT_EQ(nested.assistant.RedialCommand({.automatic = true}).status, CommandStatus::GaveWay);
    EXPECT_TRUE(nested.Only("dial ").empty());
    EXPECT_TRUE(nested.Only("release slot").empty());
}

// An address another node had lately is a repeat: the box's loop and /until-new redial again.
TEST(FleetRedial, AnAddressTheFleetHadLatelyIsRedialledAway) {
    for (const bool untilNew : {false, true}) {
        FleetRig rig;
        rig.fleet.seen = {"61.2.2.2"};
        rig.units.ints[{Unit::选择框_IP重复, prop::kChecked}] = untilNew ? 0 : 1;
        rig.web.pages = {"[61.1.1.1]", "[61.2.2.2]", "[61.2.2.2]", "[61.3.3.3]"};
        RedialOptions options;
        if (untilNew) {
            options = {.repeat = RedialOptions::Repeat::UntilNewAddress, .maxTries = 5};
        }
        const CommandResult result = rig.assistant.RedialCommand(options);
        EXPECT_EQ(result.ipAfter, "61.3.3.3") << untilNew;
        EXPECT_TRUE(result.newAddress);
        EXPECT_EQ(rig.Only("dial ").size(), 2u);
    }
}

}  // namespace
}  // namespace qv::testing
