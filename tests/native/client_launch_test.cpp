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

}  // namespace
}  // namespace qv
