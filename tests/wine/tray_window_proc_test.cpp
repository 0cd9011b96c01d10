// The tray procedure in the main window's chain: a test window whose own procedure stands
// in for the framework's, subclassed as TraySetup does it, with the shell call recorded.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/program_end_win.h"
#include "desktop/desktop_ids.h"
#include "desktop/tray_fields.h"
#include "desktop/tray_state.h"
#include "desktop/tray_win.h"
#include "desktop/tray_window_proc_win.h"
#include "ui/form_ids.h"
#include "wine/support/wine_support.h"

namespace qv {
namespace {

constexpr LRESULT kFrameworkResult = 4711;
constexpr const char* kClass = "QvTrayProcTestWindow";

std::vector<std::string> seen;  // what reached the stand-in framework, in order
std::vector<NOTIFYICONDATAA> shellCalls;
std::vector<DWORD> shellMessages;
std::vector<std::uint32_t> callbackArgs;
std::string log;  // the destroy sequence, written to stderr by the clean-up routine

BOOL WINAPI RecordShellCall(DWORD message, PNOTIFYICONDATAA data) {
    shellMessages.push_back(message);
    shellCalls.push_back(*data);
    log += message == NIM_DELETE ? "delete;" : "shell;";
    return TRUE;
}

LRESULT CALLBACK StandInFramework(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        const bool restored =
            GetWindowLongPtrA(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&StandInFramework);
        log += std::string("framework-destroy ") + (restored ? "restored" : "still-subclassed") +
               (TheTrayState().savedWindowProc == 0 ? " cleared;" : " set;");
        // The framework's about-to-be-destroyed event is bound to TrayRemove.
        TrayRemove(TheTrayState());
        return 0;
    }
    if (message == kTrayCallbackMessage || message >= WM_USER) {
        seen.push_back(std::to_string(message) + ":" + std::to_string(lParam));
        return kFrameworkResult;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void RecordCallback(std::uint32_t mouseMessage) {
    callbackArgs.push_back(mouseMessage);
}

void PrintLogAtCleanUp() {
    log += "cleanup";
    std::fprintf(stderr, "%s\n", log.c_str());
    std::fflush(stderr);
}

class TrayWindowProcTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window = testing::MakeHostWindow(kClass, "tray proc", &StandInFramework);
        ASSERT_NE(window, nullptr);
        CreateTrayState();
        TrayState& state = TheTrayState();
        state.mainWindow = reinterpret_cast<std::uintptr_t>(window);
        state.savedWindowProc = static_cast<std::uintptr_t>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TrayWindowProc)));
        state.trayIcon = reinterpret_cast<std::uintptr_t>(LoadIconA(nullptr, IDI_APPLICATION));
        FillTrayAddRecord(state.trayRecord, state.mainWindow, state.trayIcon, "托盘提示");
        previousShellCall = ReplaceTrayShellCall(&RecordShellCall);
        seen.clear();
        shellCalls.clear();
        shellMessages.clear();
        callbackArgs.clear();
        log.clear();
    }
    void TearDown() override {
        ReplaceTrayShellCall(previousShellCall);
        if (IsWindow(window)) {
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
            DestroyWindow(window);
        }
        CreateTrayState();
    }

    HWND window = nullptr;
    TrayShellCall previousShellCall = nullptr;
};

TEST_F(TrayWindowProcTest, TrayCallbackGoesToTheHandlerAndIsConsumed) {
    TheTrayState().trayCallback = &RecordCallback;
    const std::uint32_t mouse[] = {WM_RBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_MOUSEMOVE,
                                   WM_RBUTTONUP};
    for (std::uint32_t m : mouse) {
        EXPECT_EQ(SendMessageA(window, kTrayCallbackMessage, kTrayIconId, m), 0);
    }
    EXPECT_EQ(callbackArgs, std::vector<std::uint32_t>(std::begin(mouse), std::end(mouse)));
    EXPECT_TRUE(seen.empty()) << "consumed messages must not reach the framework";
}

TEST_F(TrayWindowProcTest, WithoutACallbackTrayMessagesArePassedOn) {
    EXPECT_EQ(SendMessageA(window, kTrayCallbackMessage, kTrayIconId, WM_RBUTTONDOWN),
              kFrameworkResult);
    EXPECT_EQ(seen, std::vector<std::string>{"123456:516"});
    EXPECT_TRUE(shellMessages.empty());
}

TEST_F(TrayWindowProcTest, TaskbarCreatedAddsTheSameIconAgainAndPassesOn) {
    TrayState& state = TheTrayState();
    state.taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    ASSERT_NE(state.taskbarCreatedMessage, 0u);
    // A balloon was the last request: the re-add must name the icon fields, not the balloon.
    SetBalloonFields(state.trayRecord, "提示", "拔号完毕", IconKind::Info);
    EXPECT_EQ(SendMessageA(window, state.taskbarCreatedMessage, 0, 0), kFrameworkResult);
    ASSERT_EQ(shellMessages, std::vector<DWORD>{NIM_ADD});
    const NOTIFYICONDATAA& sent = shellCalls.front();
    EXPECT_EQ(sent.cbSize, kTrayRecordSize);
    EXPECT_EQ(sent.hWnd, window);
    EXPECT_EQ(sent.uID, kTrayIconId);
    EXPECT_EQ(sent.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(sent.uCallbackMessage, kTrayCallbackMessage);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(sent.hIcon), state.trayIcon);
    EXPECT_STREQ(sent.szTip, "托盘提示");
    EXPECT_EQ(seen.size(), 1u);
}

// With the registration failed (0), message 0 is not mistaken for a taskbar re-creation.
TEST_F(TrayWindowProcTest, UnregisteredTaskbarMessageNeverMatches) {
    TheTrayState().taskbarCreatedMessage = 0;
    SendMessageA(window, WM_NULL, 0, 0);
    SendMessageA(window, WM_USER + 7, 0, 99);
    EXPECT_TRUE(shellMessages.empty());
    EXPECT_EQ(seen, std::vector<std::string>{std::to_string(WM_USER + 7) + ":99"});
}

TEST_F(TrayWindowProcTest, OtherMessagesReachTheFrameworkWithTheirResult) {
    EXPECT_EQ(SendMessageA(window, WM_APP + 3, 1, 2), kFrameworkResult);
    char title[32] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "tray proc");
}

// The end of the program: the icon is deleted and the framework's procedure is back before
// the framework sees WM_DESTROY; its own TrayRemove then only deletes again; the clean-up
// runs last and the process ends with 0. Runs in a child process, as it ends the process.
TEST_F(TrayWindowProcTest, DestroyRemovesPassesOnAndEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    RegisterEndRoutines({&PrintLogAtCleanUp, nullptr});
    EXPECT_EXIT(DestroyWindow(window), ::testing::ExitedWithCode(0),
                "^delete;framework-destroy restored cleared;delete;cleanup");
}

}  // namespace
}  // namespace qv
