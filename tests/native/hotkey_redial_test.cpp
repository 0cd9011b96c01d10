// Hotkey redial against a fake hotkey service that numbers identifiers from 33001.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "native/fake_services.h"

namespace qv::testing {
namespace {

const std::string kEnableCombo = "write " + FakeUnits::Name(Unit::组合框_热键) + ".6=0";
const std::string kDisableCombo = "write " + FakeUnits::Name(Unit::组合框_热键) + ".6=1";

std::string Register(int virtualKey) {
    return "register label=" + std::to_string(0x1000 + static_cast<int>(Unit::标签_热键标签)) +
           " mod=0 vk=" + std::to_string(virtualKey);
}

bool Redialled(const Journal& journal) {
    for (const std::string& entry : journal.entries) {
        if (entry == "status0 当前状态：正在重拔") {
            return true;
        }
    }
    return false;
}

void Click(Rig& rig, bool checked) {
    rig.units.ints[{Unit::选择框_热键, prop::kChecked}] = checked ? 1 : 0;
    rig.assistant.ToggleHotkey();
}

TEST(ToggleHotkey, CheckingEnablesTheComboAndRegistersTheChosenFKey) {
    const struct {
        int selection;
        bool registers;
    } rows[] = {{0, true}, {1, true}, {2, true}, {3, true}, {-1, false}, {4, false}};
    for (const auto& row : rows) {
        Rig rig;
        rig.state.hotkeyId = 777;  // kept when nothing is registered
        rig.units.ints[{Unit::组合框_热键, prop::kSelection}] = row.selection;
        Click(rig, true);
        std::vector<std::string> expected = {kEnableCombo};
        if (row.registers) {
            expected.push_back(Register(0x70 + row.selection));
        }
        EXPECT_EQ(rig.journal.entries, expected) << row.selection;
        EXPECT_EQ(rig.state.hotkeyId, row.registers ? 33001 : 777) << row.selection;
        if (row.registers) {
            EXPECT_EQ(rig.hotkeys.windows, std::vector<std::uintptr_t>{0x1000 + 1});
        }
    }
}

TEST(ToggleHotkey, CheckUncheckCheckGivesFreshIdsAndOnlyTheCurrentOneRedials) {
    Rig rig;
    rig.units.ints[{Unit::组合框_热键, prop::kSelection}] = 1;
    Click(rig, true);
    Click(rig, false);
    EXPECT_EQ(rig.state.hotkeyId, 33001);  // an unregistration does not reset it
    Click(rig, true);
    const std::vector<std::string> expected = {
        kEnableCombo,       Register(0x71), kDisableCombo,
        "unregister 33001", kEnableCombo,   Register(0x71),
    };
    EXPECT_EQ(rig.journal.entries, expected);
    EXPECT_EQ(rig.state.hotkeyId, 33002);
    EXPECT_EQ(rig.hotkeys.windows, std::vector<std::uintptr_t>(3, 0x1000 + 1));  // main window

    rig.journal.entries.clear();
    rig.assistant.HotkeyFeedback(33001, 0);
    EXPECT_FALSE(Redialled(rig.journal));
    rig.assistant.HotkeyFeedback(33002, 0);
    EXPECT_TRUE(Redialled(rig.journal));
}

TEST(ToggleHotkey, RefusedKeyIsStoredAsZeroAndUnregisteredHarmlessly) {
    Rig rig;
    rig.hotkeys.refuse = true;
    Click(rig, true);
    EXPECT_EQ(rig.state.hotkeyId, 0);
    Click(rig, false);
    const std::vector<std::string> expected = {
        kEnableCombo,
        Register(0x70),
        kDisableCombo,
        "unregister 0",
    };
    EXPECT_EQ(rig.journal.entries, expected);
}

TEST(ApplyHotkeyChoice, ReleasesTheOldKeyBeforeRegisteringTheNewOne) {
    const struct {
        int selection;
        std::vector<std::string> tail;
        int hotkeyId;
    } rows[] = {
        {2, {Register(0x72)}, 33001},
        {-1, {}, 33050},  // no selection: nothing registered, the old id stays
    };
    for (const auto& row : rows) {
        Rig rig;
        rig.state.hotkeyId = 33050;
        rig.units.ints[{Unit::组合框_热键, prop::kSelection}] = row.selection;
        rig.assistant.ApplyHotkeyChoice();
        std::vector<std::string> expected = {"unregister 33050"};
        expected.insert(expected.end(), row.tail.begin(), row.tail.end());
        EXPECT_EQ(rig.journal.entries, expected) << row.selection;
        EXPECT_EQ(rig.state.hotkeyId, row.hotkeyId) << row.selection;
    }
}

TEST(HotkeyFeedback, RedialsOnlyForTheRegisteredIdentifier) {
    const struct {
        int id;
        int second;
        bool redials;
    } rows[] = {{33003, 0, true}, {33003, 5, true}, {33002, 0, false}, {0, 0, false}};
    for (const auto& row : rows) {
        Rig rig;
        rig.state.hotkeyId = 33003;
        rig.assistant.HotkeyFeedback(row.id, row.second);
        EXPECT_EQ(Redialled(rig.journal), row.redials) << row.id;
        if (!row.redials) {
            EXPECT_TRUE(rig.journal.entries.empty()) << row.id;
        }
    }
}

}  // namespace
}  // namespace qv::testing
