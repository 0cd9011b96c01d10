// 状态条1 on the live main window: its parts, texts and re-layout from its own copy.
#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "ui/form_win.h"
#include "wine/support/wine_support.h"

namespace qv {
namespace {

class StatusBarTest : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        form = std::make_unique<FormWindow>(EventSink());
        ASSERT_TRUE(form->Load(GetModuleHandleA(nullptr)));
        window = form->MainWindow();
        bar = reinterpret_cast<HWND>(form->WindowHandle(Unit::状态条1));
        ASSERT_NE(bar, nullptr);
    }
    void TearDown() override { testing::DestroyAndDrain(window); }
    std::string PartText(int part) {
        char text[512] = {};
        SendMessageA(bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
        return text;
    }
    void ExpectTexts(const char* a, const char* b, const char* c) {
        EXPECT_EQ(PartText(0), a);
        EXPECT_EQ(PartText(1), b);
        EXPECT_EQ(PartText(2), c);
    }

    std::unique_ptr<FormWindow> form;
    HWND window = nullptr;
    HWND bar = nullptr;
};

TEST_F(StatusBarTest, ThreePartsOf200And150AndTheRestWithStartTexts) {
    int edges[8] = {};
    ASSERT_EQ(SendMessageA(bar, SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges)), 3);
    EXPECT_EQ(edges[0], 200);
    EXPECT_EQ(edges[1], 350);
    EXPECT_EQ(edges[2], -1);
    EXPECT_FALSE(SendMessageA(bar, SB_ISSIMPLE, 0, 0));
    ExpectTexts("当前状态：", "当前IP：", "之前IP：");

    // Docked along the bottom over the full client width, without size grip.
    RECT client, barRect, last;
    GetClientRect(window, &client);
    GetWindowRect(bar, &barRect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&barRect), 2);
    EXPECT_EQ(barRect.left, 0);
    EXPECT_EQ(barRect.right, client.right);
    EXPECT_EQ(barRect.bottom, client.bottom);
    SendMessageA(bar, SB_GETRECT, 2, reinterpret_cast<LPARAM>(&last));
    EXPECT_GT(last.right, 350);
    const LONG style = GetWindowLongA(bar, GWL_STYLE);
    EXPECT_EQ(style & SBARS_SIZEGRIP, 0);
    EXPECT_NE(style & SBARS_TOOLTIPS, 0);
}

TEST_F(StatusBarTest, SetTextChangesOnlyItsPartAndIgnoresOutOfRange) {
    form->SetStatusText(Unit::状态条1, 1, "当前IP：10.64.1.2");
    ExpectTexts("当前状态：", "当前IP：10.64.1.2", "之前IP：");
    form->SetStatusText(Unit::状态条1, 3, "x");
    form->SetStatusText(Unit::状态条1, -1, "y");
    ExpectTexts("当前状态：", "当前IP：10.64.1.2", "之前IP：");
    form->SetStatusText(Unit::状态条1, 0, Text());  // omitted text: the part is emptied
    ExpectTexts("", "当前IP：10.64.1.2", "之前IP：");
}

TEST_F(StatusBarTest, TextsSurviveMinimiseRestoreAndRelayout) {
    form->SetStatusText(Unit::状态条1, 0, "当前状态：网络已连接");
    form->SetStatusText(Unit::状态条1, 2, "之前IP：10.64.1.1");
    ShowWindow(window, SW_MINIMIZE);
    qv::testing::PumpFor(50);
    EXPECT_TRUE(IsIconic(window));
    ShowWindow(window, SW_RESTORE);
    ASSERT_TRUE(qv::testing::WaitUntil([&] { return !IsIconic(window); }));
    ExpectTexts("当前状态：网络已连接", "当前IP：", "之前IP：10.64.1.1");

    // A re-layout sets every part again from the unit's copy, not from the control.
    SendMessageA(bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("stale"));
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, 0);
    ExpectTexts("当前状态：网络已连接", "当前IP：", "之前IP：10.64.1.1");
    int edges[4] = {};
    EXPECT_EQ(SendMessageA(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 3);
    EXPECT_EQ(edges[1], 350);
}

}  // namespace
}  // namespace qv
