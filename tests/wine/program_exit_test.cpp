// The real program: it opens its window and ends with exit code 0 when the window closes.
#include <windows.h>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "wine/support/wine_support.h"

namespace qv {
namespace {

struct FoundWindow {
    DWORD processId;
    HWND window;
};

// Copies the program (and the simulated line, when built) into a fresh folder whose
// Config.ini sends the IP lookups to a closed local port.
std::string PrepareFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    const std::string folder =
        std::string(base) + "qv-exit-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string bin = testing::ProgramDirectory();
    CopyFileA((bin + "\\Quorvane.exe").c_str(), (folder + "\\Quorvane.exe").c_str(), FALSE);
    CopyFileA((bin + "\\rasapi32.dll").c_str(), (folder + "\\rasapi32.dll").c_str(), FALSE);
    std::ofstream(folder + "\\Config.ini", std::ios::binary)
        << "[高级设置]\r\nIP查询地址=http://127.0.0.1:9/ic.asp\r\n";
    return folder;
}

TEST(ProgramExit, ClosingTheWindowEndsTheProcessWithCodeZero) {
    const std::string folder = PrepareFolder();
    std::string command = "\"" + folder + "\\Quorvane.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // Started from another directory: the program finds its files beside itself.
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, "C:\\",
                               &startup, &process));
    FoundWindow found = {process.dwProcessId, nullptr};
    const bool opened = testing::WaitUntil(
        [&] {
            return (found.window = testing::FindTopLevel(process.dwProcessId,
                                                         "QuorvaneMainWindow")) != nullptr;
        },
        30000);
    EXPECT_TRUE(opened) << "the main window did not appear";
    if (found.window) {
        RECT rc;
        GetWindowRect(found.window, &rc);
        EXPECT_EQ(rc.right - rc.left, 505);
        EXPECT_EQ(rc.bottom - rc.top, 167);
        PostMessageA(found.window, WM_CLOSE, 0, 0);
    }
    const DWORD waited = WaitForSingleObject(process.hProcess, 30000);
    EXPECT_EQ(waited, WAIT_OBJECT_0);
    if (waited != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 99);
    }
    DWORD exitCode = 1234;
    GetExitCodeProcess(process.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (const char* file : {"Quorvane.exe", "rasapi32.dll", "Config.ini"}) {
        DeleteFileA((folder + "\\" + file).c_str());
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace
}  // namespace qv
