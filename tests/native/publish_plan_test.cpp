#include <gtest/gtest.h>

#include "pool/publish_plan.h"

namespace qv {
namespace {

using Action = PlanStep::Action;

// Drives a plan as the worker would, against a clock the test moves, and records what went
// out; every send succeeds unless `down` says Redis is unreachable.
struct PlanRig {
    PublishPlan plan{{"adsl", "pc1", 300}};
    std::int64_t now = 100000;
    bool down = false;
    bool checkPasses = true;
    std::vector<std::string> sent;  // "@<ms> CMD args..." per command, "@<ms> check" per check

    // Carries out every step due by now; returns how many failures it met.
    int Run() {
        int failures = 0;
        for (int guard = 0; guard < 10; ++guard) {
            const PlanStep step = plan.Next(now);
            if (step.action == Action::Wait) {
                return failures;
            }
            if (down) {
                plan.Failed(now, true);
                ++failures;
                continue;
            }
            if (step.action == Action::Connect) {
                plan.Connected();
                continue;
            }
            if (step.action == Action::Check) {
                sent.push_back("@" + std::to_string(now - 100000) + " check");
                plan.Checked(step, checkPasses, now);
                continue;
            }
            for (const resp::Command& command : step.commands) {
                std::string line = "@" + std::to_string(now - 100000);
                for (const std::string& arg : command) {
                    line += " " + arg;
                }
                sent.push_back(line);
            }
            plan.Confirmed(step, now);
        }
        ADD_FAILURE() << "the plan never settles";
        return failures;
    }
    std::int64_t WakeAt() const { return plan.Next(now).wakeAt; }
};

TEST(PublishPlan, PublishesRenewsEveryThirdOfTheLifetimeAndWithdraws) {
    PlanRig rig;
    EXPECT_EQ(rig.WakeAt(), PublishPlan::kNever) << "nothing wanted, nothing to do";
    rig.plan.WantPublished("1.2.3.4:8080", rig.now);
    rig.Run();
    EXPECT_EQ(rig.WakeAt(), 100000 + 100000);
    rig.now += 99999;
    rig.Run();
    rig.now += 1;
    rig.Run();
    rig.now += 100000;
    rig.Run();
    rig.plan.WantWithdrawn(rig.now);
    rig.Run();
    EXPECT_EQ(rig.WakeAt(), PublishPlan::kNever) << "no renewal once withdrawn";
    const std::vector<std::string> expected = {
        "@0 HSET adsl pc1 1.2.3.4:8080",
        "@0 SET adsl:pc1 1.2.3.4:8080 EX 300",
        "@100000 SET adsl:pc1 1.2.3.4:8080 EX 300",
        "@200000 SET adsl:pc1 1.2.3.4:8080 EX 300",
        "@200000 HDEL adsl pc1",
        "@200000 DEL adsl:pc1",
    };
    EXPECT_EQ(rig.sent, expected);
}

TEST(PublishPlan, BacksOffDoublingToThirtySecondsThenSendsOnlyTheLatestState) {
    PlanRig rig;
    rig.down = true;
    rig.plan.WantPublished("1.1.1.1:8080", rig.now);
    std::vector<std::int64_t> waits;
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(rig.Run(), 1);
        waits.push_back(rig.WakeAt() - rig.now);
        rig.now = rig.WakeAt();
    }
    EXPECT_EQ(waits, (std::vector<std::int64_t>{1000, 2000, 4000, 8000, 16000, 30000, 30000}));

    // Changes while down: each is tried at once (once), and only the last one is sent.
    rig.now += 10;
    rig.plan.WantPublished("2.2.2.2:8080", rig.now);
    EXPECT_EQ(rig.Run(), 1);
    rig.plan.WantWithdrawn(rig.now);
    rig.plan.WantPublished("3.3.3.3:8080", rig.now);
    rig.down = false;
    rig.Run();
    const std::vector<std::string> expected = {
        "@91010 HSET adsl pc1 3.3.3.3:8080",
        "@91010 SET adsl:pc1 3.3.3.3:8080 EX 300",
    };
    EXPECT_EQ(rig.sent, expected);

    // Success resets the back-off; a broken connection resends the whole state.
    rig.now += 100000;
    rig.down = true;
    EXPECT_EQ(rig.Run(), 1);
    EXPECT_EQ(rig.WakeAt() - rig.now, 1000);
    rig.down = false;
    rig.now += 1000;
    rig.Run();
    EXPECT_EQ(rig.sent.back(), "@192010 SET adsl:pc1 3.3.3.3:8080 EX 300");
    EXPECT_EQ(rig.sent[rig.sent.size() - 2], "@192010 HSET adsl pc1 3.3.3.3:8080");
}

TEST(PublishPlan, AShortLivedKeyBacksOffNoLongerThanItsRenewPeriod) {
    PlanRig rig;
    rig.plan = PublishPlan({"adsl", "pc1", 10});
    rig.down = true;
    rig.plan.WantPublished("1.1.1.1:8080", rig.now);
    std::vector<std::int64_t> waits;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rig.Run(), 1);
        waits.push_back(rig.WakeAt() - rig.now);
        rig.now = rig.WakeAt();
    }
    EXPECT_EQ(waits, (std::vector<std::int64_t>{1000, 2000, 3333, 3333}));
}

TEST(PublishPlan, AConnectionDroppedAtRestReconnectsAtOnceAndResendsEverything) {
    PlanRig rig;
    rig.plan.WantPublished("1.1.1.1:8080", rig.now);
    rig.Run();
    rig.now += 100000;
    ASSERT_EQ(rig.plan.Next(rig.now).commands.size(), 1u) << "a renewal: the SET alone";
    rig.plan.Dropped();
    EXPECT_EQ(rig.plan.Next(rig.now).action, Action::Connect);
    rig.sent.clear();
    rig.Run();
    const std::vector<std::string> expected = {
        "@100000 HSET adsl pc1 1.1.1.1:8080",
        "@100000 SET adsl:pc1 1.1.1.1:8080 EX 300",
    };
    EXPECT_EQ(rig.sent, expected);
}

TEST(PublishPlan, ARefusedPasswordStopsRetriesUntilTheWantedStateChanges) {
    PlanRig rig;
    rig.plan.WantPublished("1.1.1.1:8080", rig.now);
    ASSERT_EQ(rig.plan.Next(rig.now).action, Action::Connect);
    rig.plan.Failed(rig.now, false);
    EXPECT_EQ(rig.WakeAt(), PublishPlan::kNever);
    rig.now += 3600000;
    rig.plan.WantWithdrawn(rig.now);
    EXPECT_EQ(rig.plan.Next(rig.now).action, Action::Connect);
}

// A state that changes while its predecessor is on the wire: the answer confirms the old
// state, and the new one follows.
TEST(PublishPlan, AConfirmationOfAnOlderStateLeavesTheNewerOneDue) {
    PlanRig rig;
    rig.plan.WantPublished("1.1.1.1:8080", rig.now);
    rig.plan.Connected();
    const PlanStep inFlight = rig.plan.Next(rig.now);
    ASSERT_EQ(inFlight.action, Action::Send);
    rig.plan.WantWithdrawn(rig.now);
    rig.plan.Confirmed(inFlight, rig.now);
    EXPECT_LT(rig.plan.ConfirmedGeneration(), rig.plan.Generation());
    const PlanStep next = rig.plan.Next(rig.now);
    ASSERT_EQ(next.action, Action::Send);
    EXPECT_EQ(next.commands.front().front(), "HDEL");
}

// Nothing is published before a check passes; a failed one is tried every 10 s. Renewals check
// again: two failures in a row still renew, the third takes the address out until one passes.
TEST(PublishPlan, WithTheCheckOnlyACheckedAddressIsPublishedAndThreeFailedRenewalsWithdrawIt) {
    PlanRig rig;
    rig.plan = PublishPlan({"adsl", "pc1", 30, true});
    rig.checkPasses = false;
    rig.plan.WantPublished("1.1.1.1:8080", rig.now, "1.1.1.1");
    rig.Run();
    EXPECT_TRUE(rig.plan.Unverified());
    EXPECT_EQ(rig.WakeAt() - rig.now, 10000);
    rig.checkPasses = true;
    rig.now += 10000;
    rig.Run();
    EXPECT_FALSE(rig.plan.Unverified());
    rig.checkPasses = false;
    for (int renewal = 1; renewal <= 3; ++renewal) {
        rig.now = rig.WakeAt();
        rig.Run();
    }
    EXPECT_TRUE(rig.plan.Unverified());
    rig.checkPasses = true;
    rig.now = rig.WakeAt();
    rig.Run();
    const std::vector<std::string> expected = {
        "@0 check",
        "@10000 check",
        "@10000 HSET adsl pc1 1.1.1.1:8080",
        "@10000 SET adsl:pc1 1.1.1.1:8080 EX 30",
        "@20000 check",
        "@20000 SET adsl:pc1 1.1.1.1:8080 EX 30",
        "@30000 check",
        "@30000 SET adsl:pc1 1.1.1.1:8080 EX 30",
        "@40000 check",
        "@40000 HDEL adsl pc1",
        "@40000 DEL adsl:pc1",
        "@50000 check",
        "@50000 HSET adsl pc1 1.1.1.1:8080",
        "@50000 SET adsl:pc1 1.1.1.1:8080 EX 30",
    };
    EXPECT_EQ(rig.sent, expected);
}

}  // namespace
}  // namespace qv
