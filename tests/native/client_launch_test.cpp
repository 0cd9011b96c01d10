#include "control/protocol.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(ClientLaunchTest, OnlySwitchesMakeACall) {
    struct Row {
        std::vector<std::string> args;
        LaunchKind kind;
    };
    const Row rows[] = {
        {{}, LaunchKind::Window},
        {{"C:\\Users\\me\\Desktop\\notes.txt"}, LaunchKind::Window},  // dropped on the exe
        {{"D:\\a b\\x.ini", "readme"}, LaunchKind::Window},
        {{""}, LaunchKind::Window},
        {{"/status"}, LaunchKind::Call},
        {{"--dial"}, LaunchKind::Call},
        {{"-x"}, LaunchKind::Call},  // unknown: the call refuses it with the usage
        {{"/"}, LaunchKind::Call},
        {{"C:\\notes.txt", "/min"}, LaunchKind::Call},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ClassifyArguments(row.args), row.kind)
            << (row.args.empty() ? "(none)" : row.args.back());
    }
}

// Wrongly "none" would open a window for a script's call; wrongly "some" only costs the parse.
TEST(ClientLaunchTest, CommandLineArgumentsAfterTheProgramName) {
    struct Row {
        const wchar_t* line;
        bool hasArguments;
    };
    const Row rows[] = {
        {L"", false},
        {L"Quorvane.exe", false},
        {L"Quorvane.exe \t ", false},
        {L"\"C:\\Program Files\\Quorvane.exe\"", false},
        {L"\"C:\\Program Files\\Quorvane.exe\"  ", false},
        {L"\"C:\\no closing quote /status", false},  // all of it is the name
        {L"Quorvane.exe\"\"", false},                // quotes inside an unquoted name
        {L"Quorvane.exe /status", true},
        {L"Quorvane.exe\t-x", true},
        {L"\"C:\\Program Files\\Quorvane.exe\"/status", true},  // right after the quote
        {L"\"C:\\a b\\Quorvane.exe\" \"\"", true},              // an empty argument
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CommandLineHasArguments(row.line), row.hasArguments) << row.line;
    }
}

}  // namespace
}  // namespace qv
