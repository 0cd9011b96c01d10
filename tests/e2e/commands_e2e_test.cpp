// The real Quorvane.exe against the simulated ISP, driven through its window from this
// process: start-up in each network situation, settings round trip, dial, hang-up and
// redial with their exact texts and message boxes, the tray menu, the taskbar coming back,
// and the end of the program.
#include "wine/local_http_server.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialup/ras_records.h"
#include "e2e/support/balloon_log.h"
#include "e2e/support/e2e_driver.h"
#include "sim_control.h"
#include "wine/support/screen_pixels.h"
#include "wine/support/wine_support.h"

namespace qv::e2e {
namespace {

namespace sim = qv::sim;

const std::vector<std::string> kEntries = {"宽带连接", "电信ADSL", "备用线路"};
constexpr const char* kAccount = "a12345@adsl";
constexpr const char* kPassword = "pw-678";

class CommandsE2eTest : public E2eTest {
  protected:
    CommandsE2eTest() { entries = kEntries; }

    // Starts the program and waits until the start-up has written its last status text.
    void Start(const std::string& state = "当前状态：网络未连接") { StartIn(folder, state); }
    void StartIn(const ProgramFolder& where, const std::string& state = "当前状态：网络未连接") {
        app = std::make_unique<App>();
        ASSERT_TRUE(app->Start(where)) << "the main window did not come up";
        ASSERT_TRUE(app->WaitForStatus(2, "之前IP：无信息"));
        ASSERT_EQ(app->StatusText(0), state);
    }

    void TypeCredentials(int selection = 1) {
        ASSERT_TRUE(app->SetComboSelection(Unit::组合框_宽带连接, selection));
        ASSERT_TRUE(app->SetText(Unit::编辑框_宽带账号, kAccount));
        ASSERT_TRUE(app->SetText(Unit::编辑框_宽带密码, kPassword));
    }

    // Clicks and waits for the final state text; then the window answers again.
    void ClickAndWait(Unit button, const std::string& state) {
        ASSERT_TRUE(app->Click(button));
        ASSERT_TRUE(app->WaitForStatus(0, state, 60000))
            << "status 0 is " << app->StatusText(0).value_or("(busy)");
        ASSERT_TRUE(app->WaitUntilIdle());
    }

    void ExpectStatus(const std::string& part0, const std::string& part1,
                      const std::string& part2) {
        EXPECT_EQ(app->StatusText(0), part0);
        EXPECT_EQ(app->StatusText(1), part1);
        EXPECT_EQ(app->StatusText(2), part2);
    }

    // Expects one message box with this text, no icon and the default title; closes it.
    void AnswerRefusal(const std::string& text) {
        const auto box = app->WaitForMessageBox();
        ASSERT_TRUE(box.has_value()) << "no message box for: " << text;
        EXPECT_EQ(box->title, "信息：");
        EXPECT_EQ(box->text, text);
        EXPECT_FALSE(box->warningIcon);
        EXPECT_TRUE(app->DismissMessageBox(*box));
    }

    // Saves typed settings with the button, closes, starts again and finds them restored.
    void SaveAndRestore(const ProgramFolder& where) {
        sim::SetOffline(true);
        StartIn(where);
        TypeCredentials(2);
        ASSERT_TRUE(app->Click(Unit::按钮_保存配置));
        ASSERT_TRUE(testing::WaitUntil(
            [&] { return where.ReadConfig().find("ADSL密码=") != std::string::npos; }, 10000))
            << "nothing saved in " << where.ConfigPath();
        ASSERT_TRUE(app->Close());
        EXPECT_EQ(app->WaitForExit(), 0u);

        const std::string saved = where.ReadConfig();
        EXPECT_NE(saved.find("连接索引=2"), std::string::npos) << saved;
        EXPECT_NE(saved.find(std::string("ADSL账号=") + kAccount), std::string::npos) << saved;
        EXPECT_NE(saved.find("IP查询地址="), std::string::npos) << "the override stays";

        StartIn(where);
        EXPECT_EQ(app->ComboSelection(Unit::组合框_宽带连接), 2);
        EXPECT_EQ(app->Text(Unit::编辑框_宽带账号), kAccount);
        EXPECT_EQ(app->Text(Unit::编辑框_宽带密码), kPassword);
    }

    // The shell's icon for the program; a session without a notification area skips, unless
    // the test environment promises one.
    void RequireTrayIcon() {
        if (!app->TrayIconPresent()) {
            ASSERT_FALSE(testing::TrayGuaranteed()) << "no tray icon, yet a notification area "
                                                       "is promised";
            GTEST_SKIP() << "this session's shell keeps no tray icons";
        }
    }
};

TEST_F(CommandsE2eTest, StartsOfflineWithoutWarning) {
    sim::SetOffline(true);
    Start();
    ExpectStatus("当前状态：网络未连接", "当前IP：", "之前IP：无信息");
    EXPECT_FALSE(app->FindMessageBox().has_value());
    EXPECT_EQ(app->ComboItems(Unit::组合框_宽带连接), kEntries);
    EXPECT_EQ(app->ComboSelection(Unit::组合框_宽带连接), 0) << "no Config.ini settings";
    EXPECT_EQ(app->Text(Unit::编辑框_宽带账号), "");
    EXPECT_EQ(app->Enabled(Unit::组合框_热键), false);
    EXPECT_EQ(sim::PageFetches(), 2u) << "one lookup for the check, one for the status bar";
}

// How a control looks on the screen now, as a person sees it: pixels of its rectangle that are
// light (a button's face) and dark (its caption).
struct Looks {
    int light = 0;
    int dark = 0;
    int total = 0;
};

Looks OnScreen(HWND control) {
    Looks looks;
    RECT rc;
    if (!GetWindowRect(control, &rc)) {
        return looks;
    }
    for (const std::uint32_t pixel : testing::ScreenPixels(rc).data) {
        const int luma = testing::Pixels::Luma(pixel);
        looks.light += luma >= 170;
        looks.dark += luma < 90;
        ++looks.total;
    }
    return looks;
}

// A button a person can read: a light face with a dark caption on it. Unpainted, its place
// shows one colour throughout (the desktop behind, or an empty surface).
bool ReadableButton(HWND button) {
    const Looks looks = OnScreen(button);
    return IsWindowVisible(button) && looks.total > 0 && looks.light * 2 >= looks.total &&
           looks.dark >= 8;
}

// A slow echo page must not leave an empty frame: the window is painted, its controls with
// their empty texts, before the start-up looks the address up.
TEST_F(CommandsE2eTest, WindowIsPaintedWhileTheStartUpWaitsForASlowEchoPage) {
    struct Gate {
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ~Gate() { CloseHandle(event); }
    } gate;
    testing::LocalHttpServer page;
    ASSERT_TRUE(page.Listening());
    page.SetAnswer([open = gate.event](SOCKET client, const std::string&) {
        // Answers after 5 s, or as soon as the test has looked; no address: offline, no box.
        WaitForSingleObject(open, 5000);
        testing::LocalHttpServer::Send(
            client, testing::LocalHttpServer::Reply("200 OK", "no address here", -1));
    });
    folder.WriteConfig(ConfigText(page.Url("/")));
    app = std::make_unique<App>();
    ASSERT_TRUE(app->Launch(folder.Path())) << "the main window did not come up";
    ASSERT_TRUE(testing::WaitUntil([&] { return !page.Requests().empty(); }, 30000))
        << "the start-up never asked the echo page";
    const DWORD asked = GetTickCount();

    const Unit buttons[] = {Unit::按钮_保存配置, Unit::按钮_断线, Unit::按钮_拔号, Unit::按钮_重拔,
                            Unit::按钮_定时};
    const bool painted = testing::WaitUntil(
        [&] {
            for (Unit button : buttons) {
                HWND control = app->Control(button);
                if (control == nullptr || !ReadableButton(control)) {
                    return false;
                }
            }
            return true;
        },
        4000);
    const DWORD waited = GetTickCount() - asked;
    std::string seen;
    for (Unit button : buttons) {
        const Looks looks = OnScreen(app->Control(button));
        seen += " " + std::to_string(looks.light) + "/" + std::to_string(looks.dark) + "/" +
                std::to_string(looks.total);
    }
    EXPECT_TRUE(painted) << "the window stays unpainted while the echo page is slow; buttons' "
                            "light/dark/all pixels:"
                         << seen;
    EXPECT_LT(waited, 5000u) << "seen only after the page answered";
    EXPECT_EQ(page.Requests().size(), 1u) << "still in the first lookup";

    SetEvent(gate.event);
    ASSERT_TRUE(app->WaitForStatus(2, "之前IP：无信息"));
    ExpectStatus("当前状态：网络未连接", "当前IP：", "之前IP：无信息");
    EXPECT_FALSE(app->FindMessageBox().has_value());
}

TEST_F(CommandsE2eTest, StartsThroughARouterWithTheWarningFirst) {
    sim::SetRouterMode(true, "198.51.100.23");
    app = std::make_unique<App>();
    ASSERT_TRUE(app->Start(folder.Path()));
    const auto box = app->WaitForMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->title, "提示");
    EXPECT_EQ(box->text, "请注意：当前网络环境为路由器上网或无线wifi网络，不支持ADSL拔号！");
    EXPECT_TRUE(box->warningIcon);
    EXPECT_TRUE(app->ComboItems(Unit::组合框_宽带连接).empty()) << "the list fills after the box";
    ASSERT_TRUE(app->DismissMessageBox(*box));
    ASSERT_TRUE(app->WaitForStatus(2, "之前IP：无信息"));
    ExpectStatus("当前状态：网络未连接", "当前IP：198.51.100.23", "之前IP：无信息");
    EXPECT_EQ(app->ComboItems(Unit::组合框_宽带连接), kEntries);
    EXPECT_FALSE(app->FindMessageBox().has_value()) << "warned once only";
}

TEST_F(CommandsE2eTest, StartsAlreadyDialledWithoutWarning) {
    ASSERT_NE(sim::AddExternalConnection("宽带连接", "203.0.113.90"), 0u);
    Start("当前状态：网络已连接");
    ExpectStatus("当前状态：网络已连接", "当前IP：203.0.113.90", "之前IP：无信息");
    EXPECT_FALSE(app->FindMessageBox().has_value());
}

// 无人值守 reaches a start: the line is dialled and then redialled by the timer without a
// click, the window stays minimised, and 提示=失败 keeps every routine balloon away.
TEST_F(CommandsE2eTest, AnUnattendedStartDialsAndRedialsByItselfQuietly) {
    const BalloonLog balloons;
    StartProgram(ConfigText(isp->EchoUrl(), "0", "a12345@adsl", "pw-678") +
                 "[无人值守]\r\n启动拔号=1\r\n定时重拔=2\r\n启动最小化=1\r\n提示=失败\r\n"
                 "[日志]\r\n文件=node.log\r\n");
    EXPECT_TRUE(IsIconic(app->MainWindow()));
    const auto logged = [this](const std::string& words) {
        const std::vector<std::string> lines = testing::FileLines(folder.Path() + "\\node.log");
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            EXPECT_EQ(line.find("pw-678"), std::string::npos);
            return line.find(words) != std::string::npos;
        });
    };
    EXPECT_TRUE(testing::WaitUntil([&] { return logged("source=timer event=redial"); }, 20000));
    EXPECT_TRUE(logged("source=startup event=dial result=done"));
    EXPECT_EQ(app->Text(Unit::按钮_定时), "停止定时");
    EXPECT_EQ(balloons.Count(""), 0) << "none of them was a failure";
}

TEST_F(CommandsE2eTest, SavedSettingsComeBackAfterARestart) {
    SaveAndRestore(folder);
}

// 淺 is 0x9C 0x5C in GBK: the folder's and the program's names both hold a backslash byte that
// separates nothing.
TEST_F(CommandsE2eTest, SavedSettingsComeBackBesideAProgramNamedWithBackslashBytes) {
    const ProgramFolder named("-工具淺", "淺.exe");
    ASSERT_TRUE(named.Ready()) << named.Path();
    named.WriteConfig(ConfigText(isp->EchoUrl()));
    SaveAndRestore(named);
}

TEST_F(CommandsE2eTest, DialBringsTheChosenEntryUpWithTheTypedCredentials) {
    Start();
    TypeCredentials(1);
    sim::ClearCalls();
    ClickAndWait(Unit::按钮_拔号, "当前状态：拔号完毕");
    ExpectStatus("当前状态：拔号完毕", "当前IP：203.0.113.11", "之前IP：无信息");
    const auto dials = sim::Calls(sim::RasFunction::Dial);
    ASSERT_EQ(dials.size(), 1u);
    EXPECT_EQ(dials[0].entryName, kEntries[1]);
    EXPECT_EQ(dials[0].userName, kAccount);
    EXPECT_EQ(dials[0].password, kPassword);

    // A second dial while the line is up is refused and changes nothing.
    ASSERT_TRUE(app->Click(Unit::按钮_拔号));
    AnswerRefusal("当前已有网络链接，请断线后再拔号！");
    EXPECT_EQ(sim::CallCount(sim::RasFunction::Dial), 1u);
    ExpectStatus("当前状态：拔号完毕", "当前IP：203.0.113.11", "之前IP：无信息");
}

TEST_F(CommandsE2eTest, FailedDialReportsFailure) {
    Start();
    TypeCredentials(0);
    sim::FailNextDials(1);
    ClickAndWait(Unit::按钮_拔号, "当前状态：拔号失败");
    ExpectStatus("当前状态：拔号失败", "当前IP：", "之前IP：无信息");
    EXPECT_TRUE(sim::Connections().empty());
}

TEST_F(CommandsE2eTest, HangUpNotesThePreviousIpAndSecondClickRefuses) {
    Start();
    TypeCredentials(0);
    ClickAndWait(Unit::按钮_拔号, "当前状态：拔号完毕");
    ClickAndWait(Unit::按钮_断线, "当前状态：已断开网络连接");
    ExpectStatus("当前状态：已断开网络连接", "当前IP：203.0.113.11", "之前IP：203.0.113.11");
    EXPECT_TRUE(sim::Connections().empty());

    ASSERT_TRUE(app->Click(Unit::按钮_断线));
    AnswerRefusal("当前无拔号连接，无需断线！");
    EXPECT_EQ(app->StatusText(0), "当前状态：已断开网络连接");
}

TEST_F(CommandsE2eTest, RepeatedAddressRedialsAgainWhenTheBoxIsTicked) {
    Start();
    TypeCredentials(0);
    ClickAndWait(Unit::按钮_拔号, "当前状态：拔号完毕");
    ASSERT_TRUE(app->SetChecked(Unit::选择框_IP重复, true));
    sim::KeepAddressOnNextDial();
    sim::ClearCalls();
    ClickAndWait(Unit::按钮_重拔, "当前状态：重拔完毕");
    ExpectStatus("当前状态：重拔完毕", "当前IP：203.0.113.12", "之前IP：203.0.113.11");
    EXPECT_EQ(sim::CallCount(sim::RasFunction::Dial), 2u)
        << "the repeated address redials once more";
}

// The pause between hang-up and dial dispatches messages (the window answers) and sleeps
// between them: a wait that spins costs the whole second in processor time. The hang-up
// takes 2 s, its wait polls.
TEST_F(CommandsE2eTest, RedialPauseAnswersAndCostsNoProcessorTime) {
    constexpr DWORD kSpinFreeBoundMs = 250;  // the redial's own work takes about 30 ms
    Start();
    TypeCredentials(0);
    ClickAndWait(Unit::按钮_拔号, "当前状态：拔号完毕");
    sim::SetDelays(0, 2000);
    const auto before = app->ProcessorTimeMs();
    ASSERT_TRUE(before.has_value());
    const DWORD start = GetTickCount();
    ASSERT_TRUE(app->Click(Unit::按钮_重拔));
    // Between the hang-up and the dial only the pause dispatches messages.
    EXPECT_TRUE(testing::WaitUntil(
        [&] { return app->StatusText(0) == "当前状态：正在重拔" && sim::Connections().empty(); },
        10000))
        << "no answer from the window while the line was down";
    ASSERT_TRUE(app->WaitForStatus(0, "当前状态：重拔完毕", 60000));
    ASSERT_TRUE(app->WaitUntilIdle());
    const DWORD wall = GetTickCount() - start;
    const auto after = app->ProcessorTimeMs();
    ASSERT_TRUE(after.has_value());
    EXPECT_GE(wall, 3000u) << "the hang-up and the pause take 3 s";
    EXPECT_LT(*after - *before, kSpinFreeBoundMs) << "over " << wall << " ms of redial";
    std::printf("redial: %lu ms, %lu ms processor time\n", static_cast<unsigned long>(wall),
                static_cast<unsigned long>(*after - *before));
}

TEST_F(CommandsE2eTest, TrayMenuDialRedialAndHangUpRunTheirCommands) {
    Start();
    TypeCredentials(1);
    sim::ClearCalls();
    const struct {
        int entry;
        const char* state;
        const char* ip;
        const char* previousIp;
    } steps[] = {
        {1, "当前状态：拔号完毕", "当前IP：203.0.113.11", "之前IP：无信息"},
        {2, "当前状态：重拔完毕", "当前IP：203.0.113.12", "之前IP：203.0.113.11"},
        {0, "当前状态：已断开网络连接", "当前IP：203.0.113.12", "之前IP：203.0.113.12"},
    };
    for (const auto& step : steps) {
        ASSERT_TRUE(app->WaitUntilIdle());
        ASSERT_TRUE(app->ChooseTrayMenuEntry(step.entry)) << step.state;
        ASSERT_TRUE(app->WaitForStatus(0, step.state, 60000))
            << app->StatusText(0).value_or("(busy)");
        ExpectStatus(step.state, step.ip, step.previousIp);
    }
    const auto dials = sim::Calls(sim::RasFunction::Dial);
    ASSERT_EQ(dials.size(), 2u);
    EXPECT_EQ(dials[0].entryName, kEntries[1]);
    EXPECT_EQ(dials[0].userName, kAccount);
    EXPECT_TRUE(sim::Connections().empty());
}

TEST_F(CommandsE2eTest, LeftClickOnTheTrayIconDoesNothing) {
    Start();
    // Sent, not posted: a menu opened by mistake would hold the answer back.
    for (UINT mouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP}) {
        EXPECT_EQ(app->SendTrayMouse(mouse), 0) << mouse;
    }
    EXPECT_FALSE(app->FindPopupMenu().has_value());
    EXPECT_FALSE(app->FindMessageBox().has_value());
}

TEST_F(CommandsE2eTest, TaskbarCreatedBringsTheIconBack) {
    Start();
    RequireTrayIcon();
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    ASSERT_TRUE(app->DeleteTrayIcon());
    ASSERT_FALSE(app->TrayIconPresent());
    ASSERT_TRUE(app->SendTaskbarCreated());
    EXPECT_TRUE(testing::WaitUntil([&] { return app->TrayIconPresent(); }, 10000));
}

TEST_F(CommandsE2eTest, ClosingRemovesTheTrayIcon) {
    Start();
    RequireTrayIcon();
    if (IsSkipped() || HasFatalFailure()) {
        return;
    }
    ASSERT_TRUE(app->Close());
    EXPECT_EQ(app->WaitForExit(), 0u);
    EXPECT_FALSE(app->TrayIconPresent()) << "the icon outlives the program";
}

TEST_F(CommandsE2eTest, ClosingEndsWithZeroAndLeavesTheLineUp) {
    Start();
    TypeCredentials(0);
    ClickAndWait(Unit::按钮_拔号, "当前状态：拔号完毕");
    ASSERT_TRUE(app->Close());
    EXPECT_EQ(app->WaitForExit(), 0u);
    const auto line = sim::Connections();
    ASSERT_EQ(line.size(), 1u) << "closing must not drop a working connection";
    EXPECT_EQ(line[0].state, RASCS_Connected);
    EXPECT_EQ(line[0].address, "203.0.113.11");
}

}  // namespace
}  // namespace qv::e2e
