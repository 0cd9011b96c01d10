#include <set>
#include <string>

#include <gtest/gtest.h>

#include "ui/form_table.h"

namespace qv {
namespace {

TEST(FormTable, UnitsStandInFormOrder) {
    const Unit expected[] = {Unit::窗口,
                             Unit::简单超文本框1,
                             Unit::编辑框_定时间隔,
                             Unit::组合框_热键,
                             Unit::选择框_IP重复,
                             Unit::按钮_定时,
                             Unit::标签4,
                             Unit::标签3,
                             Unit::选择框_热键,
                             Unit::分组框2,
                             Unit::按钮_断线,
                             Unit::按钮_拔号,
                             Unit::按钮_重拔,
                             Unit::托盘菜单,
                             Unit::托盘菜单_断线,
                             Unit::托盘菜单_拔号,
                             Unit::托盘菜单_重拔,
                             Unit::按钮_保存配置,
                             Unit::编辑框_宽带密码,
                             Unit::标签5,
                             Unit::编辑框_宽带账号,
                             Unit::标签2,
                             Unit::组合框_宽带连接,
                             Unit::标签1,
                             Unit::分组框1,
                             Unit::状态条1,
                             Unit::时钟1,
                             Unit::标签_热键标签,
                             Unit::标签6};
    const auto form = MainForm();
    ASSERT_EQ(form.size(), std::size(expected));
    for (std::size_t i = 0; i < form.size(); ++i) {
        EXPECT_EQ(form[i].id, expected[i]) << "position " << i;
    }
}

TEST(FormTable, EveryUnitHasAUniqueIdAndAnExistingParent) {
    std::set<Unit> seen;
    for (const UnitRecord& r : MainForm()) {
        EXPECT_TRUE(seen.insert(r.id).second) << "duplicate id " << static_cast<int>(r.id);
        if (r.type == UnitType::Window) {
            continue;
        }
        const UnitRecord* parent = FindUnit(r.parent);
        ASSERT_NE(parent, nullptr) << static_cast<int>(r.id);
        if (r.type == UnitType::Menu) {
            EXPECT_TRUE(parent->type == UnitType::Menu || parent->type == UnitType::Window);
        } else {
            EXPECT_TRUE(parent->type == UnitType::Window || parent->type == UnitType::GroupBox)
                << static_cast<int>(r.id);
        }
    }
}

TEST(FormTable, BindingsRunTheirBehaviours) {
    const struct {
        Unit unit;
        int event;
        Handler handler;
    } rows[] = {
        {Unit::窗口, event::kCreated, Handler::InitMainWindow},
        {Unit::窗口, event::kDestroying, Handler::TrayRemove},
        {Unit::按钮_断线, event::kClicked, Handler::HangUpCommand},
        {Unit::按钮_拔号, event::kClicked, Handler::DialCommand},
        {Unit::按钮_重拔, event::kClicked, Handler::RedialCommand},
        {Unit::按钮_保存配置, event::kClicked, Handler::SaveSettings},
        {Unit::按钮_定时, event::kClicked, Handler::ToggleTimedRedial},
        {Unit::时钟1, event::kTick, Handler::TimedRedialTick},
        {Unit::选择框_热键, event::kClicked, Handler::ToggleHotkey},
        {Unit::组合框_热键, event::kItemChosen, Handler::ApplyHotkeyChoice},
        {Unit::标签_热键标签, event::kFeedback, Handler::HotkeyFeedback},
        {Unit::托盘菜单_断线, event::kClicked, Handler::HangUpCommand},
        {Unit::托盘菜单_拔号, event::kClicked, Handler::DialCommand},
        {Unit::托盘菜单_重拔, event::kClicked, Handler::RedialCommand},
        // Units without bindings.
        {Unit::选择框_IP重复, event::kClicked, Handler::None},
        {Unit::组合框_宽带连接, event::kItemChosen, Handler::None},
        {Unit::托盘菜单, event::kClicked, Handler::None},
        {Unit::窗口, 1, Handler::None},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(BoundHandler(row.unit, row.event), row.handler)
            << static_cast<int>(row.unit) << " event " << row.event;
    }
    int bound = 0;
    for (const UnitRecord& r : MainForm()) {
        for (const Binding& b : r.bindings) {
            bound += b.handler != Handler::None;
        }
    }
    EXPECT_EQ(bound, 14) << "a binding was added or lost";
}

TEST(FormTable, MenuRecordsAreNumberedFrom20000) {
    EXPECT_EQ(MenuCommandNumber(Unit::托盘菜单), 20000);
    EXPECT_EQ(MenuCommandNumber(Unit::托盘菜单_断线), 20001);
    EXPECT_EQ(MenuCommandNumber(Unit::托盘菜单_拔号), 20002);
    EXPECT_EQ(MenuCommandNumber(Unit::托盘菜单_重拔), 20003);
    EXPECT_EQ(MenuCommandNumber(Unit::按钮_拔号), std::nullopt);
    EXPECT_EQ(MenuByCommandNumber(20003)->id, Unit::托盘菜单_重拔);
    EXPECT_EQ(MenuByCommandNumber(20004), nullptr);
    EXPECT_EQ(MenuByCommandNumber(19999), nullptr);
    EXPECT_EQ(MenuByCommandNumber(57600), nullptr);
    EXPECT_STREQ(FindUnit(Unit::托盘菜单_拔号)->caption, "拔号");
    EXPECT_TRUE(FindUnit(Unit::托盘菜单)->flags & menu_flag::kHidden);
}

TEST(FormTable, FocusGoesToTheConnectionList) {
    EXPECT_EQ(DefaultFocusUnit(), Unit::组合框_宽带连接);
}

TEST(FormTable, OnlyTheClockIsHidden) {
    for (const UnitRecord& r : MainForm()) {
        if (r.type == UnitType::Menu) {
            continue;
        }
        EXPECT_EQ((r.flags & unit_flag::kVisible) != 0, r.id != Unit::时钟1)
            << static_cast<int>(r.id);
        EXPECT_FALSE(r.flags & unit_flag::kDisabled) << static_cast<int>(r.id);
    }
}

TEST(FormTable, CaptionAndTipNameTheMaker) {
    const std::string caption = MainForm().front().caption;
    EXPECT_EQ(caption.rfind("QuorvaneV1.0 By Telmora_", 0), 0u) << caption;
    EXPECT_GT(caption.size(), std::string("QuorvaneV1.0 By Telmora_").size());
    const std::string tip = kTrayTipText;
    EXPECT_EQ(tip.rfind("Telmora(", 0), 0u);
    EXPECT_NE(tip.find(")QuorvaneV1.0"), std::string::npos);
}

TEST(WindowPlacement, CentresWithIntegerDivision) {
    EXPECT_EQ(CentredOrigin(1024, 505), 259);
    EXPECT_EQ(CentredOrigin(768, 167), 300);
    EXPECT_EQ(CentredOrigin(1280, 505), 387);
    EXPECT_EQ(CentredOrigin(400, 505), -52);
}

TEST(ComboSelection, WriteRuleClampsHighAndClearsLow) {
    const struct {
        int value, count, expected;
    } rows[] = {
        {5, 3, 2},                              // beyond the list: the last item
        {1, 3, 1},   {0, 3, 0},   {-1, 3, -1},  // clears
        {-2, 3, -1},                            // clears
        {0, 0, -1},                             // any index on an empty list clears
        {7, 0, -1},  {-5, 0, -1},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ComboSelectionAfterWrite(row.value, row.count), row.expected)
            << row.value << " of " << row.count;
    }
}

}  // namespace
}  // namespace qv
