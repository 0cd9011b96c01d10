// The command line's caller and the program's one instance, against the real Quorvane.exe:
// a caller whose program ends, forged and hung answers, a script reading a caller through a
// pipe, the start lock, a file argument, a second start, another session, and scripted
// commands that leave the window room to paint.
#include <windows.h>

#include <fstream>
#include <future>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "e2e/support/e2e_driver.h"
#include "e2e/support/script_driver.h"
#include "sim_control.h"
#include "wine/support/wine_support.h"

namespace qv::e2e {
namespace {

namespace sim = qv::sim;

constexpr const char* kMainClass = "QuorvaneMainWindow";
constexpr ULONG_PTR kReplyTag = 0x51565250;
constexpr const char* kCookie = "0123456789abcdef0123456789abcdef";

// The JSON is UTF-8; this file's narrow literals are GBK.
std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

// A message-only window of this thread: it answers only while the test pumps messages.
HWND MessageWindow() {
    return CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

// Waits for `process` to end (ending it when it does not) and gives its exit code, 99 then.
DWORD ExitCodeOf(HANDLE process, DWORD timeoutMs = 10000) {
    DWORD code = 99;
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process, &code);
    } else {
        TerminateProcess(process, 99);
    }
    CloseHandle(process);
    return code;
}

// The text of the box that `process` shows, which is then closed; and the exit code.
std::pair<std::string, DWORD> BoxAndExitCode(HANDLE process) {
    const auto text = WaitForBoxText(GetProcessId(process));
    if (text) {
        PostMessageA(FindTopLevel(GetProcessId(process), "#32770"), WM_CLOSE, 0, 0);
    }
    return {text.value_or("(no box)"), ExitCodeOf(process)};
}

bool ProgramWindowGone() {
    return FindWindowA(kMainClass, nullptr) == nullptr;
}

class CommandLineE2eTest : public E2eTest {
  protected:
    CommandLineE2eTest() { addresses = {"203.0.113.11", "203.0.113.12"}; }

    std::future<std::optional<ClientRun>> CallInBackground(const std::string& arguments) {
        const std::string where = folder.Path();
        return std::async(std::launch::async,
                          [where, arguments] { return RunClient(where, arguments, 120000); });
    }
};

// The one registry value, read back here as Windows' logon reads it.
TEST_F(CommandLineE2eTest, AutostartWritesReportsAndRemovesOneRunValue) {
    const auto runValue = [] {
        char value[1024] = {};
        DWORD size = sizeof value;
        return RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                            "Quorvane", RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS
                   ? std::string(value)
                   : std::string("(none)");
    };
    const std::string exe = folder.Path() + "\\Quorvane.exe";
    ClientRun run = Call("/autostart on");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(JsonField(run.output, "autostart"), "true") << run.output;
    EXPECT_EQ(runValue(), "\"" + exe + "\"");
    run = Call("/autostart status");
    EXPECT_EQ(JsonField(run.output, "path"), exe) << run.output;
    EXPECT_EQ(JsonField(run.output, "autostart"), "true");
    run = Call("/autostart off");
    EXPECT_EQ(JsonField(run.output, "autostart"), "false") << run.output;
    EXPECT_EQ(runValue(), "(none)");
    EXPECT_EQ(Call("/autostart off").exitCode, 0u) << "nothing to remove is no failure";
    EXPECT_EQ(Call("/autostart maybe").exitCode, 2u);
    EXPECT_EQ(FindWindowA("QuorvaneMainWindow", nullptr), nullptr) << "no program was started";
}

TEST_F(CommandLineE2eTest, ACallerWhoseProgramIsKilledEndsAtOnce) {
    sim::SetDelays(30000, 0);
    StartProgram();
    auto call = CallInBackground("/redial /timeout 40");
    ASSERT_TRUE(
        testing::WaitUntil([] { return sim::CallCount(sim::RasFunction::Dial) > 0; }, 20000));
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, app->ProcessId());
    ASSERT_NE(process, nullptr);
    TerminateProcess(process, 99);
    CloseHandle(process);
    const DWORD killed = GetTickCount();
    const auto run = call.get();
    ASSERT_TRUE(run.has_value());
    EXPECT_LT(GetTickCount() - killed, 2000u) << "the caller watches the program's process";
    EXPECT_EQ(run->exitCode, 3u) << run->output;
    EXPECT_EQ(JsonField(run->output, "error"), Utf8(u8"Quorvane已退出，命令结果未知"));
}

// Any process may send WM_COPYDATA: the caller takes only the program's answer, and the
// program gives up at once on reply windows that do not answer or have gone.
TEST_F(CommandLineE2eTest, ForgedHungAndGoneRepliesCostNothing) {
    sim::SetDelays(3000, 0);
    StartProgram();
    auto dial = CallInBackground("/dial");
    HWND caller = nullptr;
    ASSERT_TRUE(testing::WaitUntil(
        [&] {
            caller = FindWindowExA(HWND_MESSAGE, nullptr, "QuorvaneScriptReply", nullptr);
            return caller != nullptr && sim::CallCount(sim::RasFunction::Dial) > 0;
        },
        20000));
    const std::string forged = R"({"ok":true,"command":"dial","ip":"198.51.100.66"})";
    for (const std::string& payload : {forged, std::string(kCookie) + '\0' + forged}) {
        COPYDATASTRUCT data = {kReplyTag, static_cast<DWORD>(payload.size()),
                               const_cast<char*>(payload.data())};
        DWORD_PTR taken = FALSE;
        SendMessageTimeoutA(caller, WM_COPYDATA, reinterpret_cast<WPARAM>(app->MainWindow()),
                            reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 5000, &taken);
        EXPECT_EQ(taken, static_cast<DWORD_PTR>(FALSE)) << "a forged answer was taken";
    }
    // Meanwhile a hang-up from a caller that then goes, and a status from one that does not
    // answer: this thread does not pump while it waits for the callers below.
    HWND gone = MessageWindow();
    EXPECT_TRUE(SendRequest(app->MainWindow(), gone, "/hangup", kCookie));
    DestroyWindow(gone);
    HWND hung = MessageWindow();
    EXPECT_TRUE(SendRequest(app->MainWindow(), hung, "/status", kCookie));

    const auto run = dial.get();
    ASSERT_TRUE(run.has_value());
    EXPECT_EQ(run->exitCode, 0u) << run->output;
    EXPECT_EQ(JsonField(run->output, "ip"), "203.0.113.11") << "the program's own answer";
    const DWORD start = GetTickCount();
    const auto status = RunClient(folder.Path(), "/status");
    ASSERT_TRUE(status.has_value());
    EXPECT_LT(GetTickCount() - start, 4000u) << "a hung reply window held the program";
    EXPECT_EQ(JsonField(status->output, "state"), "connected") << "a gone caller's hang-up ran";
    EXPECT_FALSE(SendRequest(app->MainWindow(), hung, "/status", ""))
        << "a request without the caller's cookie is refused";
    DestroyWindow(hung);
}

// The README's Python example under Wine: Python reads the caller's output through a pipe to
// its end, and must get it when the caller ends, though the caller started the program.
TEST_F(CommandLineE2eTest, APipedCallerThatStartsTheProgramEndsItsOutputWithItself) {
    const std::string name = "qv-pipe-" + std::to_string(GetCurrentProcessId());
    const std::string script = "Z:\\tmp\\" + name + ".py";
    const std::string result = "Z:\\tmp\\" + name + ".txt";
    std::ofstream(script, std::ios::binary)
        << "import subprocess,sys,time\nt=time.time()\n"
           "r=subprocess.run(['wine',sys.argv[1],'/status'],stdout=subprocess.PIPE,timeout=30)\n"
           "open(sys.argv[2],'w').write('%d %.1f %s'%(r.returncode,time.time()-t,"
           "r.stdout.decode()))\n";
    // Wine starts the Linux program but cannot wait on it: the result file says it ended.
    ASSERT_TRUE(StartUnixProgram("/usr/bin/python3 /tmp/" + name + ".py \"" + folder.Path() +
                                 "\\Quorvane.exe\" /tmp/" + name + ".txt"));
    std::string out;
    EXPECT_TRUE(testing::WaitUntil(
        [&] {
            std::ostringstream read;
            read << std::ifstream(result, std::ios::binary).rdbuf();
            out = read.str();
            return !out.empty() && out.back() == '\n';
        },
        60000))
        << "the script still reads";
    DeleteFileA(script.c_str());
    DeleteFileA(result.c_str());
    app = std::make_unique<App>();
    ASSERT_TRUE(app->Attach(10000)) << "the caller started the program";
    EXPECT_EQ(out.rfind("0 ", 0), 0u) << out;
    EXPECT_LT(std::atof(out.c_str() + 2), 20.0) << out;
    EXPECT_EQ(JsonField(out.substr(out.find('{')), "state"), "disconnected") << out;
}

TEST_F(CommandLineE2eTest, TheStartLockNeitherDelaysACallNorLeavesAHalfStartedProgram) {
    StartProgram();
    // A starter that hangs holding the lock: a caller finds the running window without it.
    HANDLE lock = CreateMutexA(nullptr, TRUE, "Local\\QuorvaneScriptStart");
    ASSERT_NE(lock, nullptr);
    DWORD start = GetTickCount();
    ClientRun run = RunClient(folder.Path(), "/status /timeout 20").value_or(ClientRun{});
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_LT(GetTickCount() - start, 5000u);
    ReleaseMutex(lock);
    CloseHandle(lock);
    ASSERT_TRUE(app->Close());
    ASSERT_TRUE(app->WaitForExit(10000).has_value());
    app.reset();

    // A caller that gives up before the program it started shows its window ends it (3); one
    // that handed the command over within the second times out (1) and the program stays,
    // its slow start-up still running. Which of the two comes is the machine's speed.
    sim::SetPageDelay(3000);
    run = Call("/status /timeout 1");
    ASSERT_TRUE(run.exitCode == 3u || run.exitCode == 1u) << run.exitCode << " " << run.output;
    if (run.exitCode == 3u) {
        EXPECT_TRUE(testing::WaitUntil(&ProgramWindowGone, 10000))
            << "a half-started program stays";
    } else {
        EXPECT_FALSE(ProgramWindowGone()) << "a program that took the command went away";
        EXPECT_EQ(JsonField(run.output, "error"), Utf8(u8"等待结果超时"));
    }
}

// A file dropped on the program opens the window; a second start shows the first and ends.
TEST_F(CommandLineE2eTest, AFileArgumentOpensTheWindowAndASecondStartShowsTheFirst) {
    HANDLE first = StartDetached(folder.Path(), "\"C:\\users\\Public\\notes.txt\"");
    ASSERT_NE(first, nullptr);
    app = std::make_unique<App>();
    const bool opened = app->Attach(30000);
    CloseHandle(first);
    ASSERT_TRUE(opened) << "no window for a file argument";
    ASSERT_TRUE(app->WaitForStatus(2, "之前IP：无信息"));
    ShowWindow(app->MainWindow(), SW_MINIMIZE);
    ASSERT_TRUE(testing::WaitUntil([&] { return IsIconic(app->MainWindow()) != FALSE; }));

    HANDLE second = StartDetached(folder.Path(), "");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(ExitCodeOf(second, 30000), 0u) << "the second start went on as a second program";
    EXPECT_TRUE(testing::WaitUntil([&] {
        return !IsIconic(app->MainWindow()) && GetForegroundWindow() == app->MainWindow();
    })) << "the first program's window was not brought to the front";

    // An unknown switch, started where nobody reads output, says why in a box.
    HANDLE wrong = StartDetached(folder.Path(), "/bogus");
    ASSERT_NE(wrong, nullptr);
    const auto [usage, code] = BoxAndExitCode(wrong);
    EXPECT_NE(usage.find("usage: Quorvane.exe"), std::string::npos) << usage;
    EXPECT_EQ(code, 2u);
}

// A second start while the program shows a box brings the box forward, not the window that
// it disables; one just after a close waits for the ending program and becomes the program.
TEST_F(CommandLineE2eTest, ASecondStartShowsTheBoxOnTopOrWaitsForAnEndingProgram) {
    sim::SetRouterMode(true);
    app = std::make_unique<App>();
    ASSERT_TRUE(app->Start(folder.Path()));
    const auto box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    SetForegroundWindow(FindWindowA("Shell_TrayWnd", nullptr));
    EXPECT_EQ(ExitCodeOf(StartDetached(folder.Path(), ""), 30000), 0u);
    EXPECT_TRUE(testing::WaitUntil([&] { return GetForegroundWindow() == box->window; }))
        << "the box stays behind";
    ASSERT_TRUE(app->DismissMessageBox(*box));
    sim::SetRouterMode(false);
    ASSERT_TRUE(app->WaitForStatus(2, "之前IP：无信息"));

    // A dropped line that never finishes hanging up keeps the ending program 3 s.
    ASSERT_TRUE(app->Click(Unit::按钮_拔号));
    ASSERT_TRUE(app->WaitForStatus(0, "当前状态：拔号完毕"));
    sim::SetHangUpNeverCompletes(true);
    ASSERT_TRUE(sim::DropConnection(sim::Connections().back().handle));
    ASSERT_TRUE(app->Close());
    HANDLE second = StartDetached(folder.Path(), "");
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(testing::WaitUntil(
        [&] { return FindTopLevel(GetProcessId(second), kMainClass) != nullptr; }, 30000))
        << "the second start did not become the program";
    PostMessageA(FindTopLevel(GetProcessId(second), kMainClass), WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCodeOf(second, 30000), 0u);
    EXPECT_TRUE(app->WaitForExit(10000).has_value());
    app.reset();
}

// What a program in another session leaves on the machine: its machine-wide mark only.
TEST_F(CommandLineE2eTest, AProgramInAnotherSessionIsNeitherCalledNorStartedAgain) {
    HANDLE mark = CreateMutexA(nullptr, FALSE, "Global\\QuorvaneInstance");
    ASSERT_NE(mark, nullptr);
    const ClientRun run = RunClient(folder.Path(), "/status /timeout 20").value_or(ClientRun{});
    EXPECT_EQ(run.exitCode, 3u) << run.output;
    EXPECT_EQ(JsonField(run.output, "error"),
              Utf8(u8"无法从此会话连接到Quorvane，请使用HTTP远程控制"));

    HANDLE plain = StartDetached(folder.Path(), "");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(BoxAndExitCode(plain),
              std::make_pair(std::string("Quorvane已在另一会话中运行"), 0ul));
    CloseHandle(mark);
    EXPECT_TRUE(ProgramWindowGone());
}

// Queued commands run from a timer, after input and paint: between two of them the window
// paints. Each answer arrives while the program waits for it, so its paint state is still.
TEST_F(CommandLineE2eTest, QueuedCommandsLeaveTheWindowTimeToPaint) {
    StartProgram();
    struct Replies {
        HWND program;
        int answers = 0;
        int paintedByFirst = -1;  // whether the window had painted by the first answer
    } replies{app->MainWindow()};
    HWND receiver = MessageWindow();
    ASSERT_NE(receiver, nullptr);
    SetWindowLongPtrA(receiver, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&replies));
    // The first answer comes while nothing else waits: the others are queued from inside it.
    SetWindowLongPtrA(
        receiver, GWLP_WNDPROC,
        reinterpret_cast<LONG_PTR>(+[](HWND hwnd, UINT message, WPARAM w, LPARAM l) -> LRESULT {
            if (message != WM_COPYDATA) {
                return DefWindowProcA(hwnd, message, w, l);
            }
            auto* r = reinterpret_cast<Replies*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            if (++r->answers == 1) {
                for (int i = 0; i < 8; ++i) {
                    SendRequest(r->program, hwnd, "/hangup", kCookie);
                }
                InvalidateRect(r->program, nullptr, FALSE);
            } else if (r->answers == 2) {
                r->paintedByFirst = GetUpdateRect(r->program, nullptr, FALSE) ? 0 : 1;
            }
            return TRUE;
        }));
    ASSERT_TRUE(SendRequest(app->MainWindow(), receiver, "/status", kCookie));
    EXPECT_TRUE(testing::WaitUntil([&] { return replies.answers == 9; }, 30000))
        << replies.answers << " answers";
    EXPECT_EQ(replies.paintedByFirst, 1) << "the queued commands ran ahead of the paint";
    DestroyWindow(receiver);
}

}  // namespace
}  // namespace qv::e2e
