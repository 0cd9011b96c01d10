// A node that runs alone: what 无人值守 reads, which balloons 提示 lets through, and what a
// start does with the dial and the timer.
#include <gtest/gtest.h>

#include "app/unattended.h"
#include "native/fake_services.h"

namespace qv::testing {
namespace {

TEST(Unattended, SettingsKeepTheirDefaultsOutOfRange) {
    FakeProfile profile;
    const auto read = [&](const char* key, const char* value) {
        profile.values[{kUnattendedSection, key}] = value;
        return ReadUnattendedSettings(profile);
    };
    EXPECT_FALSE(ReadUnattendedSettings(profile).dialAtStart);
    EXPECT_TRUE(read(kKeyDialAtStart, "1").dialAtStart);
    EXPECT_FALSE(read(kKeyDialAtStart, "2").dialAtStart);
    EXPECT_EQ(read(kKeyTimerAtStart, "86400").timerSeconds, 86400);
    EXPECT_EQ(read(kKeyTimerAtStart, "0").timerSeconds, 0);
    EXPECT_EQ(read(kKeyTimerAtStart, "86401").timerSeconds, 0);
    EXPECT_EQ(read(kKeyBalloons, "失败").balloons, BalloonChoice::Failures);
    EXPECT_EQ(read(kKeyBalloons, "无").balloons, BalloonChoice::None);
    EXPECT_EQ(read(kKeyBalloons, "少").balloons, BalloonChoice::All);
}

TEST(Unattended, BalloonsShowAsTheChoiceSays) {
    for (const auto& [choice, shown] : {std::pair{BalloonChoice::All, 3u},
                                        {BalloonChoice::Failures, 2u},
                                        {BalloonChoice::None, 0u}}) {
        Journal journal;
        FakeTray shell(journal);
        BalloonFilter tray(shell, choice);
        tray.TraySetup(1, nullptr, nullptr, {});
        for (const IconKind kind : {IconKind::Info, IconKind::Warning, IconKind::Error}) {
            tray.BalloonTip("提示", "x", kind, 2000, true);
        }
        tray.TrayRemove();
        EXPECT_EQ(journal.Only("balloon").size(), shown);
        EXPECT_EQ(journal.entries.size(), shown + 2) << "the icon is always there";
    }
}

TEST(Unattended, AStartDialsOnlyWithoutALineAndStartsTheTimer) {
    for (const bool lineUp : {false, true}) {
        Rig rig;
        rig.dialup.entries = {"宽带连接"};
        rig.dialup.connected = lineUp;
        rig.web.page = "[61.1.1.1]";
        rig.units.texts[{Unit::按钮_定时, prop::kCaption}] = "开始定时";
        rig.assistant.StartUnattended({.dialAtStart = true, .timerSeconds = 2});
        EXPECT_EQ(rig.Only("dial ").size(), lineUp ? 0u : 1u);
        EXPECT_TRUE(rig.assistant.TimingOn());
        const auto read = [&](Unit unit, int property) { return rig.units.ints[{unit, property}]; };
        EXPECT_EQ(read(Unit::时钟1, prop::kContent), 2000);
        EXPECT_EQ(read(Unit::按钮_拔号, prop::kDisabled), 1);
    }
}

}  // namespace
}  // namespace qv::testing
