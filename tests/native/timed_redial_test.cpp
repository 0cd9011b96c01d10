// Timed redial against recording fakes: the caption is the state, and each click writes the
// caption, the three command buttons, the balloon and the clock in a fixed order.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "native/fake_services.h"

namespace qv::testing {
namespace {

std::string Write(Unit unit, int property, const std::string& value) {
    return "write " + FakeUnits::Name(unit) + "." + std::to_string(property) + "=" + value;
}

std::string Write(Unit unit, int property, int value) {
    return Write(unit, property, std::to_string(value));
}

TEST(ToggleTimedRedial, StartingWritesCaptionButtonsBalloonThenThePeriod) {
    const struct {
        const char* interval;
        int period;
    } rows[] = {
        {"60", 60000},    {"1", 1000},
        {"0", 0},          // the caption still says on, but the clock never ticks
        {"秒", 0},         // no leading number
        {"-5", -5000},     // the clock takes a negative period as 0
        {"１０", 10000},   // full-width digits count
        {"4294968", 704},  // the product's low 32 bits
    };
    for (const auto& row : rows) {
        Rig rig;
        rig.units.texts[{Unit::按钮_定时, prop::kCaption}] = "开始定时";
        rig.units.texts[{Unit::编辑框_定时间隔, prop::kContent}] = row.interval;
        rig.assistant.ToggleTimedRedial();
        const std::vector<std::string> expected = {
            Write(Unit::按钮_定时, prop::kCaption, "停止定时"),
            Write(Unit::按钮_拔号, prop::kDisabled, 1),
            Write(Unit::按钮_断线, prop::kDisabled, 1),
            Write(Unit::按钮_重拔, prop::kDisabled, 1),
            "balloon 已开启定时重拔！ kind=1",
            Write(Unit::时钟1, prop::kContent, row.period),
        };
        EXPECT_EQ(rig.journal.entries, expected) << row.interval;
    }
}

TEST(ToggleTimedRedial, AnyCaptionButTheStartTextStops) {
    for (const char* caption : {"停止定时", "", "开始定时 ", "开始"}) {
        Rig rig;
        rig.units.texts[{Unit::按钮_定时, prop::kCaption}] = caption;
        rig.units.texts[{Unit::编辑框_定时间隔, prop::kContent}] = "60";
        rig.assistant.ToggleTimedRedial();
        const std::vector<std::string> expected = {
            Write(Unit::按钮_定时, prop::kCaption, "开始定时"),
            Write(Unit::时钟1, prop::kContent, 0),
            Write(Unit::按钮_拔号, prop::kDisabled, 0),
            Write(Unit::按钮_断线, prop::kDisabled, 0),
            Write(Unit::按钮_重拔, prop::kDisabled, 0),
            "balloon 定时重拔已关闭！ kind=1",
        };
        EXPECT_EQ(rig.journal.entries, expected) << caption;
    }
}

int ClockPeriod(Rig& rig) {
    return rig.units.ints[{Unit::时钟1, prop::kContent}];
}
Text TimerCaption(Rig& rig) {
    return rig.units.texts[{Unit::按钮_定时, prop::kCaption}];
}

TEST(ToggleTimedRedial, IntervalIsReadOnlyWhenTimingStarts) {
    Rig rig;
    rig.units.texts[{Unit::按钮_定时, prop::kCaption}] = "开始定时";
    rig.units.texts[{Unit::编辑框_定时间隔, prop::kContent}] = "5";
    rig.assistant.ToggleTimedRedial();
    EXPECT_EQ(ClockPeriod(rig), 5000);

    rig.units.texts[{Unit::编辑框_定时间隔, prop::kContent}] = "9";  // edited while on
    rig.assistant.ToggleTimedRedial();
    EXPECT_EQ(TimerCaption(rig), "开始定时");
    EXPECT_EQ(ClockPeriod(rig), 0);

    rig.assistant.ToggleTimedRedial();
    EXPECT_EQ(TimerCaption(rig), "停止定时");
    EXPECT_EQ(ClockPeriod(rig), 9000);
}

TEST(TimedRedialTick, RunsTheRedialAndLeavesTheClockAlone) {
    Rig rig;
    rig.dialup.connected = false;
    rig.assistant.TimedRedialTick();
    ASSERT_FALSE(rig.journal.entries.empty());
    EXPECT_EQ(rig.journal.entries.front(), "status0 当前状态：正在重拔");
    for (const std::string& entry : rig.journal.entries) {
        EXPECT_EQ(entry.find(Write(Unit::时钟1, prop::kContent, "")), std::string::npos) << entry;
    }
}

}  // namespace
}  // namespace qv::testing
