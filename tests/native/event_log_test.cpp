// The log of a node that runs alone: its settings, its lines, its files, a disk that fails.
#include <atomic>
#include <map>

#include <gtest/gtest.h>

#include "native/fake_services.h"
#include "notify/event_log.h"
#include "notify/log_writer.h"

namespace qv::testing {
namespace {

TEST(EventLog, SettingsPutTheFileBesideTheProgramAndKeepTheirBounds) {
    FakeProfile profile;
    EXPECT_TRUE(ReadLogSettings(profile).path.empty()) << "no file named: no log";
    const auto read = [&](const char* key, const char* value) {
        profile.values[{"日志", key}] = value;
        return ReadLogSettings(profile);
    };
    EXPECT_EQ(read("文件", "node.log").path, "C:\\Program Files\\Quorvane\\node.log");
    EXPECT_EQ(read("文件", "D:\\logs\\node.log").path, "D:\\logs\\node.log");
    EXPECT_EQ(read("大小", "64").maxBytes, 64u * 1024);
    EXPECT_EQ(read("大小", "63").maxBytes, 1024u * 1024);
    EXPECT_EQ(read("个数", "9").keep, 9);
    EXPECT_EQ(read("个数", "0").keep, 3);
}

// Formats what the assistant tells, as the program's follower does.
struct LogLines final : LineListeners {
    Lines lines;
    static std::string Same(const Text& text) { return text; }
    void BeforeHangUp() override {}
    void OnLineEvent(const LineEvent& event) override {
        lines.push_back(LineEventLogLine("T", event, Same));
    }
    void OnCommand(const CommandRecord& record) override {
        lines.push_back(CommandLogLine("T", record, Same));
    }
};

TEST(EventLog, EachCommandAndLineEventTellsWhoAskedAndNeverTheSecrets) {
    Rig rig;
    LogLines log;
    rig.followers.Add(log);
    rig.assistant.SetIpEchoPageUrl(kEchoUrl);
    rig.dialup.entries = {"宽带 \"1\""};
    rig.assistant.FillEntryList();
    rig.units.ints[{Unit::组合框_宽带连接, prop::kSelection}] = 0;
    rig.units.texts[{Unit::编辑框_宽带账号, prop::kContent}] = "user@163";
    rig.units.texts[{Unit::编辑框_宽带密码, prop::kContent}] = "secret";
    rig.web.pages = {"[58.1.1.1]", "[58.1.1.1]", "[58.2.2.2]"};
    rig.assistant.Raise(Handler::DialCommand, 0, 0);
    rig.assistant.Raise(Handler::DialCommand, 0, 0);
    rig.dialup.dialCodes = {678};
    rig.assistant.TimedRedialTick();  // hangs up, then its dial fails
    const std::string entry = " entry=\"宽带 \\\"1\\\"\"";
    EXPECT_EQ(log.lines,
              (Lines{"T source=person event=connected" + entry +
                         " ip=\"58.1.1.1\" previous=\"\" code=0 class=none\n",
                     "T source=person event=dial result=done" + entry +
                         " ip=\"58.1.1.1\" previous=\"\" code=0 class=none tries=1 seconds=0.0\n",
                     "T source=person event=dial result=refused" + entry +
                         " ip=\"\" previous=\"\" code=0 class=none tries=0 seconds=0.0"
                         " message=\"当前已有网络链接，请断线后再拔号！\"\n",
                     "T source=timer event=disconnected" + entry +
                         " ip=\"\" previous=\"58.1.1.1\" code=0 class=none\n",
                     "T source=timer event=failed" + entry +
                         " ip=\"\" previous=\"58.1.1.1\" code=678 class=line\n",
                     "T source=timer event=redial result=failed" + entry +
                         " ip=\"\" previous=\"58.1.1.1\" code=678 class=line tries=1 seconds=1.0"
                         " message=\"重拔失败！\"\n"}));
    for (const std::string& line : log.lines) {
        EXPECT_EQ(line.find("user@163"), std::string::npos);
        EXPECT_EQ(line.find("secret"), std::string::npos);
    }
}

// Files in memory; `fail` makes every call fail.
struct MemoryFiles final : LogFiles {
    std::map<Text, std::string> files;
    bool fail = false;
    std::uint64_t Size(const Text& path) override { return files[path].size(); }
    bool Append(const Text& path, const std::string& bytes) override {
        files[path] += bytes;
        return !fail;
    }
    bool Move(const Text& from, const Text& to) override {
        if (fail) {
            return false;
        }
        if (files.contains(from)) {
            files[to] = files[from];
            files.erase(from);
        }
        return true;
    }
};

TEST(EventLog, RotationKeepsTheCountAndNoFilePassesItsSize) {
    MemoryFiles disk;
    disk.files["n.log"] = std::string(40, 'x');  // from an earlier run
    LogRotation log(disk, {.path = "n.log", .maxBytes = 100, .keep = 2});
    for (char c = 'a'; c <= 'j'; ++c) {
        ASSERT_TRUE(log.Write(std::string(29, c) + "\n"));
    }
    ASSERT_TRUE(log.Write(std::string(300, 'z')));
    EXPECT_EQ(disk.files.size(), 3u) << "n.log, n.log.1, n.log.2";
    for (const auto& [name, bytes] : disk.files) {
        EXPECT_LE(bytes.size(), 100u) << name;
    }
    EXPECT_EQ(disk.files["n.log"], std::string(99, 'z') + "\n") << "a long line is cut";
    EXPECT_EQ(disk.files["n.log.1"].front(), 'i') << "the newest old file is .1";
    EXPECT_EQ(disk.files["n.log.2"].front(), 'f');
}

TEST(EventLog, AFailingDiskIsToldOnceUntilALineIsWrittenAgain) {
    MemoryFiles disk;
    std::atomic<int> told{0};
    {
        disk.fail = true;
        LogWriter writer(disk, {.path = "n.log", .maxBytes = 1024, .keep = 1}, [&] { ++told; });
        for (int i = 0; i < 3; ++i) {
            writer.Write("line\n");
        }
    }  // the writer ends once everything handed in was tried
    EXPECT_EQ(told, 1);
    EXPECT_EQ(disk.files["n.log"], "line\nline\nline\n") << "each line was tried in order";
}

}  // namespace
}  // namespace qv::testing
