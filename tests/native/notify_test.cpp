#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "native/fake_services.h"
#include "native/iconv_codec.h"
#include "notify/hook_launch.h"
#include "notify/notify_message.h"
#include "notify/notify_settings.h"

namespace qv {
namespace {

using State = NotifySettings::State;

NotifySettings Read(const char* command, const char* url) {
    testing::FakeProfile profile;
    profile.values[{kNotifySection, kKeyNotifyCommand}] = command;
    profile.values[{kNotifySection, kKeyNotifyUrl}] = url;
    return ReadNotifySettings(profile);
}

TEST(NotifySettings, EachPartIsOnOffOrRefusedWithItsReason) {
    const char* const scheme = "通知未启用：网址须以http://或https://开头";
    const char* const host = "通知未启用：网址须含主机名且不含空格";
    const char* const quote = "通知未启用：命令的引号不成对";
    const struct {
        const char* command;
        const char* url;
        State state;
        const char* wantCommand;
        const char* wantUrl;
        const char* problem;
    } rows[] = {
        {"", "  ", State::Off, "", "", ""},
        {" D:\\hooks\\line.bat ", "", State::On, "D:\\hooks\\line.bat", "", ""},
        {"", "HTTPS://hooks.lan:8443/line?k=1", State::On, "", "HTTPS://hooks.lan:8443/line?k=1",
         ""},
        {"\"C:\\My Hooks\\a.exe\" -q", "http://10.0.0.2/", State::On, "\"C:\\My Hooks\\a.exe\" -q",
         "http://10.0.0.2/", ""},
        {"", "ftp://hooks.lan/", State::Invalid, "", "", scheme},
        {"", "http://", State::Invalid, "", "", host},
        {"", "http://hooks.lan/a b", State::Invalid, "", "", host},
        // One part refused leaves the other on.
        {"hook.exe", "mailto:x@y", State::Invalid, "hook.exe", "", scheme},
        {"\"C:\\hook.exe", "http://h/", State::Invalid, "", "http://h/", quote},
        {"\"C:\\hook.exe", "ftp://h/", State::Invalid, "", "",
         "通知未启用：命令的引号不成对；网址须以http://或https://开头"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.command) + " | " + row.url);
        const NotifySettings settings = Read(row.command, row.url);
        EXPECT_EQ(settings.state, row.state);
        EXPECT_EQ(settings.command, row.wantCommand);
        EXPECT_EQ(settings.url, row.wantUrl);
        EXPECT_EQ(settings.problem, row.problem);
    }
    EXPECT_EQ(Read(std::string(kMaxNotifyCommandLength + 1, 'a').c_str(), "").state,
              State::Invalid);
}

LineEvent Event(LineEventKind kind, const char* ip, const char* previousIp, std::uint32_t code) {
    LineEvent event;
    event.kind = kind;
    event.ip = ip;
    event.previousIp = previousIp;
    event.entry = "宽带连接";
    event.rasError = code;
    return event;
}

TEST(NotifyMessage, EnvironmentNamesTheEventAndNothingElse) {
    const struct {
        LineEvent event;
        std::vector<NameValue> want;
    } rows[] = {
        {Event(LineEventKind::Connected, "203.0.113.12", "203.0.113.11", 0),
         {{"QV_EVENT", "connected"},
          {"QV_IP", "203.0.113.12"},
          {"QV_PREVIOUS_IP", "203.0.113.11"},
          {"QV_ENTRY", "宽带连接"},
          {"QV_RAS_ERROR", "0"}}},
        {Event(LineEventKind::Failed, "", "2001:db8::1", 4294967295u),
         {{"QV_EVENT", "failed"},
          {"QV_IP", ""},
          {"QV_PREVIOUS_IP", "2001:db8::1"},
          {"QV_ENTRY", "宽带连接"},
          {"QV_RAS_ERROR", "4294967295"}}},
        // Whatever the echo page put between the brackets never reaches a batch file as-is.
        {Event(LineEventKind::Dropped, "1.2.3.4&del *", "未知", 0),
         {{"QV_EVENT", "dropped"},
          {"QV_IP", ""},
          {"QV_PREVIOUS_IP", ""},
          {"QV_ENTRY", "宽带连接"},
          {"QV_RAS_ERROR", "0"}}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(HookEnvironment(row.event), row.want) << row.want[0].second;
    }
    // Nor does a connection's name that the command processor would act on.
    for (const char* name : {"宽带&calc", "a|b", "x>y", "100%", "^", "(a)", "\"q\"", "l\r\n2"}) {
        EXPECT_EQ(CommandSafeOrEmpty(name), "") << name;
    }
    for (const char* name : {"联通 宽带", "ADSL-2", "\x81\x7c\x81\x5e"}) {  // GBK trail bytes
        EXPECT_EQ(CommandSafeOrEmpty(name), name) << name;
    }
}

TEST(NotifyMessage, JsonBodyCarriesTheSameFactsInUtf8) {
    const testing::IconvCodec codec;
    const auto convert = [&codec](const Text& text) { return codec.GbkToUtf8(text); };
    const std::string body = WebhookBody(Event(LineEventKind::Failed, "", "203.0.113.11", 678),
                                         convert, IsoTimeText(2026, 12, 8, 14, 5, 9, 480));
    EXPECT_EQ(body,
              "{\"event\":\"failed\",\"ip\":\"\",\"previous_ip\":\"203.0.113.11\","
              "\"entry\":\"\xE5\xAE\xBD\xE5\xB8\xA6\xE8\xBF\x9E\xE6\x8E\xA5\",\"ras_error\":678,"
              "\"time\":\"2026-12-08T14:05:09+08:00\"}");
    // An entry that is no GBK still gives a body a JSON reader takes.
    LineEvent odd = Event(LineEventKind::Connected, "10.0.0.1", "", 0);
    odd.entry = "\xFF\x80\"x";
    EXPECT_TRUE(nlohmann::json::accept(WebhookBody(odd, convert, "t")));

    EXPECT_EQ(IsoTimeText(2027, 1, 2, 3, 4, 5, std::nullopt), "2027-01-02T03:04:05Z");
    EXPECT_EQ(IsoTimeText(2027, 1, 2, 3, 4, 5, -210), "2027-01-02T03:04:05-03:30");
    EXPECT_EQ(IsoTimeText(2027, 1, 2, 3, 4, 5, 0), "2027-01-02T03:04:05+00:00");
}

TEST(HookLaunch, BatchFilesRunThroughTheCommandProcessorWithTheTextAsWritten) {
    const Text cmd = "C:\\windows\\system32\\cmd.exe";
    const struct {
        const char* configured;
        const char* application;
        const char* commandLine;
    } rows[] = {
        {"D:\\hooks\\hook.exe --line", "", "D:\\hooks\\hook.exe --line"},
        {"D:\\hooks\\line.bat", "C:\\windows\\system32\\cmd.exe",
         "\"C:\\windows\\system32\\cmd.exe\" /d /s /c \"\"D:\\hooks\\line.bat\"\""},
        {"D:\\R&D hooks\\LINE.CMD", "C:\\windows\\system32\\cmd.exe",
         "\"C:\\windows\\system32\\cmd.exe\" /d /s /c \"\"D:\\R&D hooks\\LINE.CMD\"\""},
        {"\"D:\\a b\\line.bat\" one two", "C:\\windows\\system32\\cmd.exe",
         "\"C:\\windows\\system32\\cmd.exe\" /d /s /c \"\"D:\\a b\\line.bat\" one two\""},
        {"line.bat x.txt", "C:\\windows\\system32\\cmd.exe",
         "\"C:\\windows\\system32\\cmd.exe\" /d /s /c \"\"line.bat\" x.txt\""},
        {"notepad.exe log.bat", "", "notepad.exe log.bat"},
    };
    for (const auto& row : rows) {
        const HookLaunch launch = HookCommandLine(row.configured, cmd);
        EXPECT_EQ(launch.application, row.application) << row.configured;
        EXPECT_EQ(launch.commandLine, row.commandLine) << row.configured;
    }
}

TEST(HookLaunch, EnvironmentBlockReplacesOurNamesAndStaysSorted) {
    const std::string block =
        EnvironmentBlock({"=C:=C:\\work", "Path=C:\\windows", "qv_ip=stale", "TEMP=C:\\t"},
                         {{"QV_IP", "10.0.0.1"}, {"QV_EVENT", "connected"}, {"QV_ENTRY", ""}});
    EXPECT_EQ(block, std::string("=C:=C:\\work\0Path=C:\\windows\0QV_ENTRY=\0QV_EVENT=connected\0"
                                 "QV_IP=10.0.0.1\0TEMP=C:\\t\0\0",
                                 83));
    EXPECT_EQ(EnvironmentBlock({}, {}), std::string(2, '\0'));
}

}  // namespace
}  // namespace qv
