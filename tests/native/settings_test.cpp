#include <gtest/gtest.h>

#include "app/settings.h"
#include "native/fake_services.h"

namespace qv {
namespace {

using testing::Rig;

TEST(SettingsPath, IsTheProgramDirectoryPlusConfigIni) {
    Rig rig;
    EXPECT_EQ(RunDirectory(rig.profile), "C:\\Program Files\\Quorvane");
    EXPECT_EQ(SettingsPath(rig.profile), "C:\\Program Files\\Quorvane\\Config.ini");
    rig.profile.programPath = "D:\\新建文件夹\\Quorvane.exe";
    EXPECT_EQ(SettingsPath(rig.profile), "D:\\新建文件夹\\Config.ini") << "computed afresh";
}

// 淺 is 0x9C 0x5C in GBK: its second byte is the backslash byte, which is no separator.
TEST(RunDirectory, EndsAtTheLastBackslashCharacterNotByte) {
    const struct {
        const char* program;
        const char* directory;
    } rows[] = {
        {"C:\\工具\\淺.exe", "C:\\工具"},
        {"C:\\淺\\淺淺\\Quorvane.exe", "C:\\淺\\淺淺"},
        {"C:\\淺\\淺.exe", "C:\\淺"},
        {"\\\\server\\共享\\淺.exe", "\\\\server\\共享"},
        {"淺.exe", ""},
        {"C:\\a\\\x9c", "C:\\a"},  // a lone lead byte at the end is one byte
    };
    for (const auto& row : rows) {
        Rig rig;
        rig.profile.programPath = row.program;
        EXPECT_EQ(RunDirectory(rig.profile), row.directory) << row.program;
    }
    Rig rig;
    rig.profile.programPath = "C:\\工具\\淺.exe";
    EXPECT_EQ(SettingsPath(rig.profile), "C:\\工具\\Config.ini");
}

// "D:" names drive D's remembered directory, not its root.
TEST(StartDirectory, IsTheProgramDirectoryWithARootKeptAsRoot) {
    const struct {
        const char* program;
        const char* start;
    } rows[] = {
        {"D:\\Quorvane.exe", "D:\\"},
        {"D:\\淺.exe", "D:\\"},
        {"D:\\tools\\Quorvane.exe", "D:\\tools"},
        {"\\\\server\\share\\Quorvane.exe", "\\\\server\\share"},
    };
    for (const auto& row : rows) {
        Rig rig;
        rig.profile.programPath = row.program;
        EXPECT_EQ(StartDirectory(rig.profile), row.start) << row.program;
    }
    Rig rig;
    rig.profile.programPath = "D:\\Quorvane.exe";
    EXPECT_EQ(SettingsPath(rig.profile), "D:\\Config.ini");
}

TEST(ReadSetting, SkipsLeadingControlBytesAndRefusesEmptyNames) {
    Rig rig;
    rig.profile.values[{"宽带信息", "ADSL账号"}] = "user";
    EXPECT_EQ(ReadSetting(rig.profile, "ADSL账号"), "user");
    EXPECT_EQ(ReadSetting(rig.profile,
                          " \t\x01"
                          "ADSL账号"),
              "user");
    EXPECT_EQ(ReadSetting(rig.profile, "  "), "");
    EXPECT_EQ(ReadSetting(rig.profile, "ADSL账号", " \n"), "");
    rig.profile.programPath = "Quorvane.exe";  // no directory: path is "\Config.ini"
    EXPECT_EQ(ReadSetting(rig.profile, "ADSL账号"), "user");
    rig.profile.programPath = "";
    EXPECT_EQ(SettingsPath(rig.profile), "\\Config.ini");
}

TEST(SaveSettings, WritesTheThreeKeysInOrderFromTheLiveWindow) {
    Rig rig;
    rig.units.ints[{Unit::组合框_宽带连接, prop::kSelection}] = -1;
    rig.units.texts[{Unit::编辑框_宽带账号, prop::kContent}] = "a@163";
    rig.units.texts[{Unit::编辑框_宽带密码, prop::kContent}] = "";
    rig.assistant.SaveSettings();
    const std::vector<std::string> expected = {
        "C:\\Program Files\\Quorvane\\Config.ini|宽带信息|连接索引=-1",
        "C:\\Program Files\\Quorvane\\Config.ini|宽带信息|ADSL账号=a@163",
        "C:\\Program Files\\Quorvane\\Config.ini|宽带信息|ADSL密码=",
    };
    EXPECT_EQ(rig.profile.writes, expected);
    EXPECT_TRUE(rig.journal.entries.empty()) << "a save shows nothing";
}

TEST(RestoreSettings, RestoresOnlyWhenAllThreeValuesArePresent) {
    const struct {
        const char* index;
        const char* account;
        const char* password;
        std::vector<std::string> expected;
    } rows[] = {
        {"", "", "", {"write 23.19=0"}},
        {"2", "user", "", {"write 23.19=0"}},
        {"2", "", "pw", {"write 23.19=0"}},
        {"", "user", "pw", {"write 23.19=0"}},
        {"2", "user", "pw", {"write 23.19=2", "write 21.8=user", "write 19.8=pw"}},
        {"２", "user", "pw", {"write 23.19=2", "write 21.8=user", "write 19.8=pw"}},
        {"-1", "u", "p", {"write 23.19=-1", "write 21.8=u", "write 19.8=p"}},
        {"abc", "u", "p", {"write 23.19=0", "write 21.8=u", "write 19.8=p"}},
    };
    for (const auto& row : rows) {
        Rig rig;
        rig.profile.values[{"宽带信息", "连接索引"}] = row.index;
        rig.profile.values[{"宽带信息", "ADSL账号"}] = row.account;
        rig.profile.values[{"宽带信息", "ADSL密码"}] = row.password;
        rig.assistant.RestoreSettings();
        EXPECT_EQ(rig.journal.entries, row.expected) << row.index << "/" << row.account;
    }
}

}  // namespace
}  // namespace qv
