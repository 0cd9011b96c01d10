// The log's files on a real file system: rotation at 64 KB, and a log that cannot be written.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "notify/log_follower_win.h"
#include "wine/support/wine_support.h"

namespace qv::testing {
namespace {

class LogFilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "qv-log-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder.c_str(), nullptr);
        path = folder + "\\node.log";
    }
    void TearDown() override {
        for (const char* suffix : {"", ".1", ".2", ".3"}) {
            const std::string file = path + suffix;
            SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(file.c_str());
        }
        RemoveDirectoryA(path.c_str());
        RemoveDirectoryA(folder.c_str());
    }

    std::string folder;
    std::string path;
    WinLogFiles files;
};

TEST_F(LogFilesTest, ALogOf64KbRotatesIntoItsCount) {
    LogRotation log(files, {.path = path, .maxBytes = 64 * 1024, .keep = 2});
    for (int line = 0; line < 400; ++line) {  // about 200 KB
        ASSERT_TRUE(log.Write(std::string(499, 'a' + line % 26) + "\n"));
    }
    for (const char* suffix : {"", ".1", ".2"}) {
        const std::uint64_t size = files.Size(path + suffix);
        EXPECT_GT(size, 0u) << suffix;
        EXPECT_LE(size, 64u * 1024) << suffix;
    }
    EXPECT_EQ(GetFileAttributesA((path + ".3").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Read-only attributes bind nobody when the tests run as root: a folder in the log's place
// cannot be written by anyone.
TEST_F(LogFilesTest, AnUnwritableLogHoldsNothingBackAndSaysSoOnce) {
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    std::atomic<int> told{0};
    LogWriter writer(files, {.path = path, .maxBytes = 64 * 1024, .keep = 1}, [&] { ++told; });
    const DWORD start = GetTickCount();
    for (int line = 0; line < 100; ++line) {
        writer.Write("a redial\n");
    }
    EXPECT_LT(GetTickCount() - start, 100u);
    EXPECT_TRUE(WaitUntil([&] { return told > 0; }, 5000));
    PumpFor(200);
    EXPECT_EQ(told, 1);
}

}  // namespace
}  // namespace qv::testing
