// The settings through the real profile functions, in a folder of the test's own.
#include <windows.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/assistant.h"
#include "app/settings.h"
#include "native/fake_services.h"
#include "system/profile_win.h"
#include "wine/support/wine_support.h"

namespace qv {
namespace {

// The real profile functions, with the program placed in a temporary folder.
class FolderProfile final : public Profile {
  public:
    explicit FolderProfile(std::string folder) : folder_(std::move(folder)) {}
    Text ProgramPath() override { return folder_ + "\\Quorvane.exe"; }
    Text ReadProfileString(const Text& s, const Text& k, const Text& p) override {
        return real_.ReadProfileString(s, k, p);
    }
    bool WriteProfileString(const Text& s, const Text& k, const Text& v, const Text& p) override {
        return real_.WriteProfileString(s, k, v, p);
    }

  private:
    std::string folder_;
    WinProfile real_;
};

class SettingsProfileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        folder = std::string(base) + "qv-settings-" + std::to_string(GetCurrentProcessId()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(folder.c_str(), nullptr);
        DeleteFileA(IniPath().c_str());
    }
    void TearDown() override {
        DeleteFileA(IniPath().c_str());
        RemoveDirectoryA(folder.c_str());
    }
    std::string IniPath() const { return folder + "\\Config.ini"; }
    std::string IniBytes() const {
        std::ifstream in(IniPath(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void WriteIni(const std::string& bytes) const {
        std::ofstream(IniPath(), std::ios::binary) << bytes;
    }

    std::string folder;
};

// The assistant's save and restore against the real files, with fakes for the window.
struct FolderProfileHolder {
    explicit FolderProfileHolder(const std::string& folder) : folderProfile(folder) {}
    FolderProfile folderProfile;
};
struct ProfileRig : FolderProfileHolder, testing::Rig {
    explicit ProfileRig(const std::string& folder)
        : FolderProfileHolder(folder), Rig(nullptr, &folderProfile) {}
};

TEST_F(SettingsProfileTest, MissingFileRestoresTheFirstEntryAndNothingElse) {
    ProfileRig rig(folder);
    EXPECT_EQ(ReadSetting(rig.folderProfile, kKeyAccount), "");
    rig.assistant.RestoreSettings();
    EXPECT_EQ(rig.journal.entries, std::vector<std::string>{"write 23.19=0"});
    EXPECT_EQ(GetFileAttributesA(IniPath().c_str()), INVALID_FILE_ATTRIBUTES) << "never written";
}

TEST_F(SettingsProfileTest, SaveThenRestoreRoundTripsThroughTheFile) {
    ProfileRig rig(folder);
    rig.units.ints[{Unit::组合框_宽带连接, prop::kSelection}] = 2;
    rig.units.texts[{Unit::编辑框_宽带账号, prop::kContent}] = "宽带账号01";
    rig.units.texts[{Unit::编辑框_宽带密码, prop::kContent}] = "p@ss word";
    rig.assistant.SaveSettings();
    rig.assistant.SaveSettings();  // twice: one section, three keys, replaced in place
    EXPECT_EQ(IniBytes(),
              "[宽带信息]\r\n连接索引=2\r\nADSL账号=宽带账号01\r\nADSL密码=p@ss word\r\n");

    ProfileRig next(folder);
    next.assistant.RestoreSettings();
    const std::vector<std::string> expected = {"write 23.19=2", "write 21.8=宽带账号01",
                                               "write 19.8=p@ss word"};
    EXPECT_EQ(next.journal.entries, expected);
}

TEST_F(SettingsProfileTest, NoSelectionAndEmptyAccountAreStoredAsTheyAre) {
    ProfileRig rig(folder);
    rig.units.ints[{Unit::组合框_宽带连接, prop::kSelection}] = -1;
    rig.units.texts[{Unit::编辑框_宽带密码, prop::kContent}] = "pw";
    rig.assistant.SaveSettings();
    EXPECT_EQ(ReadSetting(rig.folderProfile, kKeyConnectionIndex), "-1");
    EXPECT_NE(IniBytes().find("ADSL账号=\r\n"), std::string::npos) << "kept, not deleted";
    ProfileRig next(folder);
    next.assistant.RestoreSettings();
    EXPECT_EQ(next.journal.entries, std::vector<std::string>{"write 23.19=0"});
}

TEST_F(SettingsProfileTest, StoredMinusOneAndFullWidthIndexAreRestored) {
    WriteIni("[宽带信息]\r\n连接索引=-1\r\nADSL账号=u\r\nADSL密码=p\r\n");
    ProfileRig rig(folder);
    rig.assistant.RestoreSettings();
    EXPECT_EQ(rig.journal.entries.front(), "write 23.19=-1");
    WriteIni("[宽带信息]\r\n连接索引=２\r\nADSL账号=u\r\nADSL密码=p\r\n");
    ProfileRig fullWidth(folder);
    fullWidth.assistant.RestoreSettings();
    EXPECT_EQ(fullWidth.journal.entries.front(), "write 23.19=2");
}

TEST_F(SettingsProfileTest, LongValuesComeBackCutTo10239Bytes) {
    WriteIni("[宽带信息]\r\nADSL账号=" + std::string(12000, 'a') + "\r\n");
    ProfileRig rig(folder);
    const Text value = ReadSetting(rig.folderProfile, kKeyAccount);
    EXPECT_EQ(value.size(), 10239u);
    EXPECT_EQ(value, std::string(10239, 'a'));
}

TEST_F(SettingsProfileTest, EchoPageOverrideIsReadButNeverWritten) {
    WriteIni("[高级设置]\r\nIP查询地址=http://127.0.0.1:1/ic.asp\r\n");
    ProfileRig rig(folder);
    EXPECT_EQ(ReadSetting(rig.folderProfile, kKeyIpEchoUrl, kAdvancedSection),
              "http://127.0.0.1:1/ic.asp");
    rig.assistant.SaveSettings();
    EXPECT_NE(IniBytes().find("[高级设置]\r\nIP查询地址=http://127.0.0.1:1/ic.asp"),
              std::string::npos);
}

}  // namespace
}  // namespace qv
