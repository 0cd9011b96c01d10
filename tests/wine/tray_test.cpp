// The tray icon and balloons. Every request is observed where it leaves the program: the
// shell call behind SendTrayRecord is pointed at a recorder for the test's run.
#include <windows.h>

#include <shellapi.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "desktop/desktop_ids.h"
#include "desktop/icon_file.h"
#include "desktop/tray_win.h"
#include "desktop/tray_window_proc_win.h"
#include "wine/support/wine_support.h"

namespace qv {
namespace {

struct Sent {
    DWORD message;
    TrayRecord record;
    DWORD tick;
    BOOL result;
};
std::vector<Sent> sent;
bool forwardToShell = false;
TrayShellCall realShell = nullptr;

BOOL WINAPI RecordShellCall(DWORD message, PNOTIFYICONDATAA data) {
    Sent s = {message, {}, GetTickCount(), TRUE};
    std::memcpy(&s.record, data, sizeof s.record);
    if (forwardToShell) {
        s.result = realShell(message, data);
    }
    sent.push_back(s);
    return s.result;
}

using TrayMouseCallbackFunction = void (*)(std::uint32_t);
void MouseCallback(std::uint32_t) {}
void OtherCallback(std::uint32_t) {}

Bytes ProgramIconFile() {
    // The build writes the program's icon beside the bin directory.
    std::ifstream in(qv::testing::ProgramDirectory() + "\\..\\res\\quorvane.ico", std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TrayTest : public ::testing::Test {
  protected:
    void SetUp() override {
        CreateTrayState();
        sent.clear();
        forwardToShell = false;
        realShell = ReplaceTrayShellCall(&RecordShellCall);
        window = testing::MakeHostWindow("QvTrayTestWindow", "tray");
        ASSERT_NE(window, nullptr);
        originalProc = GetWindowLongPtrA(window, GWLP_WNDPROC);
        icon = ProgramIconFile();
        ASSERT_EQ(icon.size(), 4286u) << "the build's res/quorvane.ico";
    }
    void TearDown() override {
        // Never destroy a window that still has the tray procedure: it ends the program.
        if (state().savedWindowProc != 0) {
            TrayRemove(state());
        }
        KillTimer(window, kBalloonTimerId);
        DestroyWindow(window);
        ReplaceTrayShellCall(realShell);
        qv::testing::PumpFor(10);
    }
    static TrayState& state() { return TheTrayState(); }
    // The callback the tray keeps, as the plain function it was given.
    static TrayMouseCallbackFunction KeptCallback() {
        const auto* kept = state().trayCallback.target<TrayMouseCallbackFunction>();
        return kept ? *kept : nullptr;
    }
    void AddIcon() {
        const Text tip = "Quorvane tip";
        TraySetup(state(), window, &icon, &tip, &MouseCallback);
        ASSERT_EQ(sent.size(), 1u);
        sent.clear();
    }
    static std::size_t Hides() {
        std::size_t n = 0;
        for (const Sent& s : sent) {
            n += s.record.uFlags == 0x10 && s.record.szInfo[0] == '\0';
        }
        return n;
    }

    HWND window = nullptr;
    LONG_PTR originalProc = 0;
    Bytes icon;
};

TEST_F(TrayTest, SetupAddsTheIconAndInstallsTheTrayProcedure) {
    const Text tip = "Telmora tip";
    EXPECT_TRUE(TraySetup(state(), window, &icon, &tip, &MouseCallback));
    ASSERT_EQ(sent.size(), 1u);
    const TrayRecord& r = sent[0].record;
    EXPECT_EQ(sent[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(r.cbSize, NOTIFYICONDATAA_V2_SIZE);
    EXPECT_EQ(r.hWnd, reinterpret_cast<std::uintptr_t>(window));
    EXPECT_EQ(r.uID, 1u);
    EXPECT_EQ(r.uFlags, 7u);
    EXPECT_EQ(r.uCallbackMessage, 123456u);
    EXPECT_NE(r.hIcon, 0u);
    EXPECT_EQ(r.hIcon, state().trayIcon);
    EXPECT_STREQ(r.szTip, "Telmora tip");
    EXPECT_EQ(r.uTimeout, 0u);
    EXPECT_EQ(state().mainWindow, reinterpret_cast<std::uintptr_t>(window));
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&TrayWindowProc));
    EXPECT_EQ(state().savedWindowProc, static_cast<std::uintptr_t>(originalProc));
    EXPECT_EQ(KeptCallback(), &MouseCallback);
}

TEST_F(TrayTest, SecondSetupChangesOnlyImageAndTip) {
    AddIcon();
    const Text tip = "second tip";
    TraySetup(state(), window, &icon, &tip, &OtherCallback);
    ASSERT_EQ(sent.size(), 2u);  // icon, then tip; no second add
    for (const Sent& s : sent) {
        EXPECT_EQ(s.message, static_cast<DWORD>(NIM_MODIFY));
        EXPECT_EQ(s.record.uFlags, 7u);
    }
    EXPECT_NE(sent[0].record.hIcon, 0u);
    EXPECT_STREQ(sent[1].record.szTip, "second tip");
    EXPECT_EQ(KeptCallback(), &MouseCallback);
    EXPECT_EQ(state().savedWindowProc, static_cast<std::uintptr_t>(originalProc));

    sent.clear();
    TraySetup(state(), window, nullptr, &tip, nullptr);
    ASSERT_EQ(sent.size(), 1u);
    const Bytes broken(icon.begin(), icon.begin() + 30);
    TraySetup(state(), window, &broken, nullptr, nullptr);  // no icon made: nothing sent
    EXPECT_EQ(sent.size(), 1u);
}

TEST_F(TrayTest, IconFromTheProgramsIconFileIs32By32) {
    const auto entry = IconEntryAt(icon, 0);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->bytesInRes, 4264u);
    EXPECT_EQ(entry->imageOffset, 22u);
    std::uint8_t width = 0, height = 0;
    HICON made = IconFromImageFile(icon, 0, &width, &height);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 32);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(made, &info));
    BITMAP bitmap = {};
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, 32);
    EXPECT_EQ(bitmap.bmHeight, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

TEST_F(TrayTest, DamagedIconFilesGiveNoIcon) {
    Bytes farOffset = icon;
    farOffset[18] = 0xFF;  // image offset's top byte
    Bytes hugeSize = icon;
    hugeSize[17] = 0x7F;  // image size's top byte
    Bytes zeroSize = icon;
    std::memset(&zeroSize[14], 0, 4);
    Bytes truncated(icon.begin(), icon.end() - 1);
    const Bytes garbage(4286, 0xCD);
    for (const Bytes* file : {&farOffset, &hugeSize, &zeroSize, &truncated}) {
        std::uint8_t width = 0;
        EXPECT_EQ(IconFromImageFile(*file, 0, &width), nullptr);
        EXPECT_EQ(width, 32);  // the entry itself was readable
    }
    EXPECT_EQ(IconFromImageFile(garbage), nullptr);
    EXPECT_EQ(IconFromImageFile(icon, 1), nullptr);
    EXPECT_EQ(IconFromImageFile(Bytes()), nullptr);
}

TEST_F(TrayTest, UndecodableImageStillAddsAnEmptySlot) {
    const Bytes garbage(100, 0xCD);
    TraySetup(state(), window, &garbage, nullptr, nullptr);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(sent[0].record.hIcon, 0u);
    EXPECT_STREQ(sent[0].record.szTip, "");
    EXPECT_NE(state().savedWindowProc, 0u);
}

TEST_F(TrayTest, WithoutImageTheWindowsSmallIconIsUsedOrNothingHappens) {
    EXPECT_FALSE(TraySetup(state(), window, nullptr, nullptr, &MouseCallback));
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(state().savedWindowProc, 0u);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), originalProc);

    HICON small = IconFromImageFile(icon);
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    TraySetup(state(), window, nullptr, nullptr, &MouseCallback);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].record.hIcon, reinterpret_cast<std::uintptr_t>(small));
}

TEST_F(TrayTest, BalloonNamesOnlyItsFieldsAndIsHiddenByAnEmptyBalloon) {
    AddIcon();
    const DWORD start = GetTickCount();
    BalloonTip(state(), "提示", "已开启定时重拔！", IconKind::Info, 300, true);
    ASSERT_EQ(sent.size(), 1u);
    const TrayRecord& b = sent[0].record;
    EXPECT_EQ(sent[0].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(b.uFlags, 0x10u);
    EXPECT_STREQ(b.szInfoTitle, "提示");
    EXPECT_STREQ(b.szInfo, "已开启定时重拔！");
    EXPECT_EQ(b.dwInfoFlags, 1u);
    EXPECT_EQ(b.uTimeout, 0u);
    EXPECT_STREQ(b.szTip, "Quorvane tip");
    EXPECT_NE(b.hIcon, 0u);

    ASSERT_TRUE(qv::testing::WaitUntil([] { return Hides() == 1; }));
    const Sent& hide = sent.back();
    EXPECT_GE(hide.tick - start, 250u);
    EXPECT_EQ(hide.message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_STREQ(hide.record.szInfoTitle, "");
    EXPECT_EQ(hide.record.dwInfoFlags, 0u);
    EXPECT_FALSE(KillTimer(window, kBalloonTimerId)) << "the timer fires once";
    EXPECT_EQ(sent.size(), 2u);
}

TEST_F(TrayTest, SecondBalloonReArmsTheHideTimer) {
    AddIcon();
    BalloonTip(state(), "提示", "第一", IconKind::Info, 600, true);
    qv::testing::PumpFor(300);
    const DWORD second = GetTickCount();
    BalloonTip(state(), "提示", "第二", IconKind::Warning, 600, true);
    ASSERT_TRUE(qv::testing::WaitUntil([] { return Hides() == 1; }));
    // Hidden 600 ms after the second balloon, not 600 ms after the first.
    EXPECT_GE(sent.back().tick - second, 550u);
    EXPECT_FALSE(KillTimer(window, kBalloonTimerId)) << "no second hide is due";
    EXPECT_EQ(Hides(), 1u);
    EXPECT_EQ(sent.size(), 3u);
}

TEST_F(TrayTest, BalloonWithoutAutoHideStays) {
    AddIcon();
    BalloonTip(state(), "提示", "stays", IconKind::Error, 100, false);
    EXPECT_FALSE(KillTimer(window, kBalloonTimerId)) << "a hide is due";
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].record.dwInfoFlags, 3u);
}

TEST_F(TrayTest, RemoveDeletesTheIconAndPutsTheProcedureBackOnce) {
    AddIcon();
    TrayRemove(state());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(sent[0].record.hWnd, reinterpret_cast<std::uintptr_t>(window));
    EXPECT_EQ(sent[0].record.uID, 1u);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), originalProc);
    EXPECT_EQ(state().savedWindowProc, 0u);

    // A second removal only sends the delete; a procedure put in since is left alone.
    const LONG_PTR other = reinterpret_cast<LONG_PTR>(&DefWindowProcA);
    SetWindowLongPtrA(window, GWLP_WNDPROC, other);
    TrayRemove(state());
    EXPECT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), other);
    SetWindowLongPtrA(window, GWLP_WNDPROC, originalProc);
}

// The same requests through Wine's own notification area, where it has one.
TEST_F(TrayTest, ShellAcceptsTheRecord) {
    if (FindWindowA("Shell_TrayWnd", nullptr) == nullptr) {
        ASSERT_FALSE(qv::testing::TrayGuaranteed()) << "no notification area, yet one is promised";
        GTEST_SKIP() << "no notification area in this session";
    }
    forwardToShell = true;
    const Text tip = "Quorvane";
    EXPECT_TRUE(TraySetup(state(), window, &icon, &tip, &MouseCallback));
    BalloonTip(state(), "提示", "balloon", IconKind::Info, 100, false);
    TrayRemove(state());
    ASSERT_EQ(sent.size(), 3u);
    for (const Sent& s : sent) {
        EXPECT_TRUE(s.result) << "request " << s.message;
    }
}

}  // namespace
}  // namespace qv
