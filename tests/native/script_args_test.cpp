#include "control/channel_command.h"
#include "control/protocol.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(ScriptArgsTest, CallsParseToTheirCommand) {
    struct Row {
        std::vector<std::string> args;
        ScriptVerb verb;
        bool untilNew;
        int tries;
        int timeout;
    };
    const Row rows[] = {
        {{"/status"}, ScriptVerb::Status, false, 5, 300},
        {{"--dial"}, ScriptVerb::Dial, false, 5, 300},
        {{"-HangUp"}, ScriptVerb::HangUp, false, 5, 300},
        {{"/redial"}, ScriptVerb::Redial, false, 5, 300},
        {{"/redial", "/until-new"}, ScriptVerb::Redial, true, 5, 300},
        {{"--until-new", "--redial", "--tries", "3"}, ScriptVerb::Redial, true, 3, 300},
        {{"/redial", "/until-new", "/tries", "100", "/timeout", "60"},
         ScriptVerb::Redial,
         true,
         100,
         60},
        {{"/timeout", "1", "/status"}, ScriptVerb::Status, false, 5, 1},
    };
    for (const Row& row : rows) {
        const ParsedArgs parsed = ParseClientArgs(row.args);
        ASSERT_TRUE(parsed.args.has_value()) << row.args[0] << ": " << parsed.error;
        EXPECT_EQ(parsed.args->command.verb, row.verb) << row.args[0];
        EXPECT_EQ(parsed.args->command.untilNew, row.untilNew) << row.args[0];
        EXPECT_EQ(parsed.args->command.tries, row.tries) << row.args[0];
        EXPECT_EQ(parsed.args->timeoutSeconds, row.timeout) << row.args[0];
        // What the caller hands to the running program parses back to the same command.
        const ParsedArgs handed = ParseClientArgs(CommandArguments(parsed.args->command));
        ASSERT_TRUE(handed.args.has_value());
        EXPECT_EQ(handed.args->command, parsed.args->command);
    }
}

TEST(ScriptArgsTest, UsageErrorsAreRefused) {
    const std::vector<std::vector<std::string>> rows = {
        {},
        {"status"},
        {"/"},
        {"--"},
        {"/dial", "/hangup"},
        {"/reboot"},
        {"/dial", "/until-new"},
        {"/status", "/tries", "3"},
        {"/redial", "/tries", "3"},
        {"/redial", "/until-new", "/tries"},
        {"/redial", "/until-new", "/tries", "0"},
        {"/redial", "/until-new", "/tries", "101"},
        {"/redial", "/until-new", "/tries", "-1"},
        {"/redial", "/until-new", "/tries", "3x"},
        {"/status", "/timeout", "0"},
        {"/status", "/timeout", "99999999999"},
        {"/status", "/timeout", "/dial"},
    };
    for (const auto& args : rows) {
        const ParsedArgs parsed = ParseClientArgs(args);
        EXPECT_FALSE(parsed.args.has_value()) << (args.empty() ? "(none)" : args.back());
        EXPECT_FALSE(parsed.error.empty());
    }
}

// /autostart is its own call, answered by the start that was asked.
TEST(ScriptArgsTest, AutostartTakesOneActionAndAnswersInJson) {
    EXPECT_FALSE(ParseAutostartArgs({"/status"}).has_value());
    EXPECT_EQ(ParseAutostartArgs({"--AutoStart", "OFF"})->action, AutostartAction::Off);
    EXPECT_EQ(ParseAutostartArgs({"/autostart", "status"})->action, AutostartAction::Status);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"/autostart"}, {"/autostart", "yes"}, {"/autostart", "on", "off"}}) {
        EXPECT_FALSE(ParseAutostartArgs(args)->action.has_value()) << args.size();
    }
    EXPECT_EQ(AutostartJson(true, "C:\\q\\Quorvane.exe"),
              R"({"ok":true,"autostart":true,"path":"C:\\q\\Quorvane.exe"})");
    EXPECT_EQ(AutostartJson(false, "x", "no"), R"({"ok":false,"error":"no"})");
}

// A Redis element goes through the same bounds as the other two ways in.
TEST(ScriptArgsTest, ChannelElementsReadByTheSameRules) {
    const ChannelElement redial = ReadChannelElement(
        R"({"id":"c:1","command":"redial","until_new":true,"tries":7,"not_after":1800000000})");
    ASSERT_TRUE(redial.command.has_value()) << redial.error;
    EXPECT_EQ(redial.command->command, (ScriptCommand{ScriptVerb::Redial, true, 7}));
    EXPECT_EQ(redial.command->notAfter, 1800000000);
    const struct {
        const char* text;
        const char* id;  // the id a refusal can still be answered under
    } refused[] = {
        {"[]", ""},
        {"{\"command\":\"dial\"}", ""},
        {"{\"id\":\"a b\",\"command\":\"dial\"}", ""},
        {"{\"id\":\"x\",\"command\":\"history\"}", "x"},
        {"{\"id\":\"x\",\"command\":\"dial\",\"until_new\":true}", "x"},
        {"{\"id\":\"x\",\"command\":\"redial\",\"tries\":3}", "x"},
        {"{\"id\":\"x\",\"command\":\"redial\",\"until_new\":true,\"tries\":101}", "x"},
        {"{\"id\":\"x\",\"command\":\"dial\",\"not_after\":\"soon\"}", "x"},
        {"{\"id\":\"x\",\"command\":\"dial\",\"command\":\"hangup\"}", "x"},
        {"{\"id\":\"x\",\"command\":\"dial\",\"extra\":1}", "x"},
    };
    for (const auto& row : refused) {
        const ChannelElement element = ReadChannelElement(row.text);
        EXPECT_FALSE(element.command.has_value()) << row.text;
        EXPECT_FALSE(element.error.empty()) << row.text;
        EXPECT_EQ(element.id, row.id) << row.text;
    }
    const std::string large = "{\"id\":\"x\",\"command\":\"dial\",\"pad\":\"" +
                              std::string(kMaxChannelElementBytes, ' ') + "\"}";
    EXPECT_TRUE(ReadChannelElement(large).tooLarge);
}

}  // namespace
}  // namespace qv
