#include <gtest/gtest.h>

#include "ui/popup_entries.h"

namespace qv {
namespace {

using enum Unit;

TEST(PopupEntries, TrayMenuHoldsItsThreeEntriesWithTheFormsCommandNumbers) {
    const std::vector<PopupEntry> entries = PopupEntries(MainForm(), 托盘菜单);
    ASSERT_EQ(entries.size(), 3u);
    const struct {
        const char* caption;
        int command;
        Unit unit;
    } expected[] = {{"断线", 20001, 托盘菜单_断线},
                    {"拔号", 20002, 托盘菜单_拔号},
                    {"重拔", 20003, 托盘菜单_重拔}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(entries[i].caption, expected[i].caption);
        EXPECT_EQ(entries[i].command, expected[i].command);
        EXPECT_EQ(MenuCommandNumber(expected[i].unit), expected[i].command);
        EXPECT_FALSE(entries[i].separator || entries[i].disabled || entries[i].checked);
    }
}

TEST(PopupEntries, NothingForUnitsThatAreNoMenuWithEntries) {
    for (Unit unit : {按钮_重拔, 托盘菜单_断线, 窗口, None}) {
        EXPECT_TRUE(PopupEntries(MainForm(), unit).empty()) << static_cast<int>(unit);
    }
}

// A form of its own with every kind of entry.
constexpr UnitRecord kForm[] = {
    {.id = 窗口, .type = UnitType::Window},
    {.id = 标签1, .type = UnitType::Menu, .caption = "first", .level = 0},  // 20000
    {.id = 标签2, .type = UnitType::Menu, .caption = "plain", .level = 1},  // 20001
    {.id = 标签3, .type = UnitType::Menu, .caption = "-", .level = 1},      // 20002
    {.id = 标签4,
     .type = UnitType::Menu,
     .flags = menu_flag::kHidden,
     .caption = "hidden",
     .level = 1},  // 20003
    {.id = 标签5,
     .type = UnitType::Menu,
     .flags = menu_flag::kDisabled | menu_flag::kChecked,
     .caption = "grey",
     .level = 1,
     .shortcut = "Ctrl+G"},                                                      // 20004
    {.id = 标签6, .type = UnitType::Menu, .caption = "deeper", .level = 2},      // 20005
    {.id = 按钮_断线, .type = UnitType::Menu, .caption = "last", .level = 1},    // 20006
    {.id = 按钮_拔号, .type = UnitType::Menu, .caption = "second", .level = 0},  // 20007
    {.id = 按钮_重拔, .type = UnitType::Menu, .caption = "other", .level = 1},   // 20008
    {.id = 分组框1, .type = UnitType::GroupBox},
};

TEST(PopupEntries, BuildsSeparatorsFlagsAndShortcutsAndSkipsHiddenAndDeeperEntries) {
    const std::vector<PopupEntry> entries = PopupEntries(kForm, 标签1);
    const struct {
        const char* caption;
        bool separator, disabled, checked;
        int command;
    } expected[] = {
        {"plain", false, false, false, 20001},
        {"-", true, false, false, 20002},
        {"grey\tCtrl+G", false, true, true, 20004},
        {"last", false, false, false, 20006},
    };
    ASSERT_EQ(entries.size(), std::size(expected));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].caption, expected[i].caption);
        EXPECT_EQ(entries[i].separator, expected[i].separator) << i;
        EXPECT_EQ(entries[i].disabled, expected[i].disabled) << i;
        EXPECT_EQ(entries[i].checked, expected[i].checked) << i;
        EXPECT_EQ(entries[i].command, expected[i].command) << i;
    }
    // The next top menu starts a popup of its own.
    const std::vector<PopupEntry> second = PopupEntries(kForm, 按钮_拔号);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].caption, "other");
    EXPECT_EQ(second[0].command, 20008);
}

}  // namespace
}  // namespace qv
