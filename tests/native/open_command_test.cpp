#include <gtest/gtest.h>

#include "ui/open_command.h"

namespace qv {
namespace {

TEST(FallbackCommandLine, CutsBeforeThePlaceholderAndAppendsTheTarget) {
    const struct {
        const char* command;
        const char* expected;
    } rows[] = {
        // quoted placeholder: cut before its opening quote
        {R"("C:\Web\view.exe" "%1")", R"("C:\Web\view.exe"  http://t/)"},
        {R"("C:\Web\view.exe" -nohome "%1" -tail)", R"("C:\Web\view.exe" -nohome  http://t/)"},
        // the quoted form wins even when a bare one comes first
        {R"(view.exe %1 "%1")", R"(view.exe %1  http://t/)"},
        // bare placeholder
        {R"(C:\Web\view.exe %1)", R"(C:\Web\view.exe  http://t/)"},
        {R"(C:\Web\view.exe -url=%1)", R"(C:\Web\view.exe -url= http://t/)"},
        // none: the whole line
        {R"("C:\Web\view.exe" -nohome)", R"("C:\Web\view.exe" -nohome http://t/)"},
        {"", " http://t/"},
        {R"("%1")", " http://t/"},
        {R"("C:\程序\浏览.exe" "%1")", R"("C:\程序\浏览.exe"  http://t/)"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FallbackCommandLine(row.command, "http://t/"), row.expected) << row.command;
    }
}

}  // namespace
}  // namespace qv
