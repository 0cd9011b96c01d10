// The end-to-end fixture and what it stands on: the program's folder, Config.ini, the
// simulated ISP, Linux programs started from a test, and the screenshot of a failure.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "base/system_handles_win.h"
#include "e2e/support/e2e_driver.h"
#include "e2e/support/script_driver.h"
#include "wine/support/screen_pixels.h"
#include "wine/support/wine_support.h"

namespace qv::e2e {
namespace {

bool PathExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string UniqueSuffix() {
    static int counter = 0;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter) + "-" +
           std::to_string(now.QuadPart % 100000);
}

}  // namespace

ProgramFolder::ProgramFolder(const std::string& nameSuffix, const std::string& programName)
    : programName_(programName) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "qv-e2e-" + UniqueSuffix() + nameSuffix;
    if (!CreateDirectoryA(path_.c_str(), nullptr)) {
        return;
    }
    const std::string bin = testing::ProgramDirectory();
    ready_ = CopyFileA((bin + "\\Quorvane.exe").c_str(), (path_ + "\\" + programName_).c_str(),
                       FALSE) != FALSE;
    // The simulated line: found beside the program, where the loader looks first.
    if (PathExists(bin + "\\rasapi32.dll")) {
        ready_ = ready_ && CopyFileA((bin + "\\rasapi32.dll").c_str(),
                                     (path_ + "\\rasapi32.dll").c_str(), FALSE) != FALSE;
    }
}

ProgramFolder::~ProgramFolder() {
    for (const std::string& file :
         {programName_, std::string("rasapi32.dll"), std::string("Config.ini")}) {
        DeleteFileA((path_ + "\\" + file).c_str());
    }
    RemoveDirectoryA(path_.c_str());
}

void ProgramFolder::WriteConfig(const std::string& text) const {
    if (text.empty()) {
        DeleteFileA(ConfigPath().c_str());
        return;
    }
    std::ofstream(ConfigPath(), std::ios::binary | std::ios::trunc) << text;
}

std::string ProgramFolder::ReadConfig() const {
    std::ifstream in(ConfigPath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ConfigText(const std::string& echoUrl, const std::string& index,
                       const std::string& account, const std::string& password) {
    std::string text = "[高级设置]\r\nIP查询地址=" + echoUrl + "\r\n";
    if (!index.empty() || !account.empty() || !password.empty()) {
        text += "[宽带信息]\r\n连接索引=" + index + "\r\nADSL账号=" + account +
                "\r\nADSL密码=" + password + "\r\n";
    }
    return text;
}

bool StartUnixProgram(std::string commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return false;
    }
    // Wine hands back no handles for a Linux program (closing the garbage once closed the
    // simulated line's lock).
    if (NamesItsProcess(info)) {
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    return true;
}

bool XdoTool(const std::string& arguments) {
    constexpr const char* kXdoTool = "/usr/bin/xdotool";
    if (!PathExists(std::string("Z:") + kXdoTool)) {
        return false;
    }
    return StartUnixProgram(std::string(kXdoTool) + " " + arguments);
}

std::string TestOutputDirectory() {
    char configured[MAX_PATH] = {};
    std::string dir;
    if (GetEnvironmentVariableA("QV_TEST_OUTPUT_DIR", configured, MAX_PATH) > 0) {
        dir = configured;
    } else {
        dir = testing::ProgramDirectory() + "\\..\\test-output";
    }
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

bool SaveScreenshot(const std::string& path) {
    return testing::WholeScreen().SaveBmp(path);
}

void E2eTest::SetUp() {
    SimLineTest::SetUp();
    if (HasFatalFailure()) {
        return;
    }
    sim::SetEntries(entries);
    sim::SetAddressPool(addresses);
    isp = StartIsp();
    ASSERT_TRUE(isp) << "the simulated ISP did not start";
    ASSERT_TRUE(folder.Ready()) << folder.Path();
    folder.WriteConfig(Config());
    ASSERT_EQ(FindWindowA("QuorvaneMainWindow", nullptr), nullptr) << "a program still runs";
}

void E2eTest::TearDown() {
    if (HasFailure()) {  // first, while the window still stands
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string path =
            TestOutputDirectory() + "\\" + test->test_suite_name() + "." + test->name() + ".bmp";
        if (SaveScreenshot(path)) {
            std::printf("screenshot of the failure: %s\n", path.c_str());
        }
    }
    if (app) {
        app->Close();
        app->WaitForExit(10000);
        app.reset();
    }
    // A program a failed test left behind must not meet the next test.
    for (HWND left; (left = FindWindowA("QuorvaneMainWindow", nullptr)) != nullptr;) {
        DWORD id = 0;
        GetWindowThreadProcessId(left, &id);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (process == nullptr || !TerminateProcess(process, 99)) {
            break;
        }
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
    isp.reset();
    SimLineTest::TearDown();
}

std::string E2eTest::Config(const std::string& sections) const {
    return ConfigText(isp->EchoUrl()) + sections;
}

void E2eTest::StartProgram(const std::string& config) {
    if (!config.empty()) {
        folder.WriteConfig(config);
    }
    app = std::make_unique<App>();
    ASSERT_TRUE(app->Start(folder)) << "the main window did not come up";
    ASSERT_TRUE(app->WaitForStatus(2, "之前IP：无信息"));
}

testing::ProgramRun E2eTest::Call(const std::string& arguments, DWORD timeoutMs) {
    const auto run = RunClient(folder.Path(), arguments, timeoutMs);
    EXPECT_TRUE(run.has_value()) << arguments << " did not end";
    return run.value_or(testing::ProgramRun{99, ""});
}

std::unique_ptr<sim::IspProcess> StartIsp() {
    for (int attempt = 0; attempt < 5; ++attempt) {
        auto isp = std::make_unique<sim::IspProcess>(FreePort());
        if (isp->Running()) {
            return isp;
        }
    }
    return nullptr;
}

}  // namespace qv::e2e
