// The main window made from the form: geometry, styles, units, properties and events on
// live controls.
#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/form_win.h"
#include "wine/support/wine_support.h"

namespace qv {
namespace {

using testing::PumpFor;
using testing::WaitUntil;

struct Raised {
    Handler handler;
    std::intptr_t a, b;
};

class FormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        form = std::make_unique<FormWindow>([this](Handler h, std::intptr_t a, std::intptr_t b) {
            raised.push_back({h, a, b});
            return h == Handler::HotkeyFeedback ? std::intptr_t{77} : std::intptr_t{0};
        });
        ASSERT_TRUE(form->Load(GetModuleHandleA(nullptr)));
        window = form->MainWindow();
    }
    void TearDown() override {
        if (IsWindow(window)) {
            DestroyWindow(window);
        }
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message != WM_QUIT) {
                DispatchMessageA(&msg);
            }
        }
    }
    HWND Control(Unit unit) { return reinterpret_cast<HWND>(form->WindowHandle(unit)); }
    int Count(Handler h) const {
        int n = 0;
        for (const Raised& r : raised) {
            n += r.handler == h;
        }
        return n;
    }

    std::unique_ptr<FormWindow> form;
    HWND window = nullptr;
    std::vector<Raised> raised;
};

std::string ClassOf(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

std::string TextOf(HWND hwnd) {
    char text[256] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

TEST_F(FormTest, WindowIsFixedSizeCentredWithMinimiseBoxOnly) {
    RECT rc;
    GetWindowRect(window, &rc);
    EXPECT_EQ(rc.right - rc.left, 505);
    EXPECT_EQ(rc.bottom - rc.top, 167);
    EXPECT_EQ(rc.left, (GetSystemMetrics(SM_CXSCREEN) - 505) / 2);
    EXPECT_EQ(rc.top, (GetSystemMetrics(SM_CYSCREEN) - 167) / 2);
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_EQ(GetMenu(window), nullptr);
    EXPECT_EQ(TextOf(window), MainWindowCaption());
    EXPECT_EQ(raised.front().handler, Handler::InitMainWindow) << "created event first";
    EXPECT_EQ(Count(Handler::InitMainWindow), 1);
}

TEST_F(FormTest, EveryUnitStandsWhereTheFormPutsIt) {
    HFONT guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (const UnitRecord& r : MainForm()) {
        if (r.type == UnitType::Window || r.type == UnitType::Menu ||
            r.type == UnitType::StatusBar || r.type == UnitType::Timer) {
            continue;
        }
        HWND hwnd = Control(r.id);
        ASSERT_NE(hwnd, nullptr) << r.name;
        HWND expectedParent = r.parent == Unit::窗口 ? window : Control(r.parent);
        EXPECT_EQ(GetParent(hwnd), expectedParent) << r.name;
        RECT rc;
        GetWindowRect(hwnd, &rc);
        MapWindowPoints(HWND_DESKTOP, expectedParent, reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_EQ(rc.left, r.left) << r.name;
        EXPECT_EQ(rc.top, r.top) << r.name;
        EXPECT_EQ(rc.right - rc.left, r.width) << r.name;
        if (r.type != UnitType::ComboBox) {
            EXPECT_EQ(rc.bottom - rc.top, r.height) << r.name;
        }
        EXPECT_TRUE(IsWindowEnabled(hwnd)) << r.name;
        EXPECT_TRUE(GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_VISIBLE) << r.name;
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), guiFont) << r.name;
        const bool tabStop = (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_TABSTOP) != 0;
        EXPECT_EQ(tabStop, (r.flags & unit_flag::kTabStop) != 0) << r.name;
    }
}

TEST_F(FormTest, UnitsAreTheRightControlsWithTheirCaptions) {
    const struct {
        Unit unit;
        const char* className;
        const char* text;
        LONG_PTR styleBits;
    } rows[] = {
        {Unit::按钮_拔号, "Button", "拔号", BS_PUSHBUTTON},
        {Unit::按钮_保存配置, "Button", "保存信息", BS_PUSHBUTTON},
        {Unit::按钮_定时, "Button", "开始定时", BS_PUSHBUTTON},
        {Unit::选择框_热键, "Button", "热键重拔：", BS_AUTOCHECKBOX},
        {Unit::选择框_IP重复, "Button", "IP重复继续进行重拔", BS_AUTOCHECKBOX},
        {Unit::分组框1, "Button", "", BS_GROUPBOX},
        {Unit::编辑框_定时间隔, "Edit", "60", ES_CENTER},
        {Unit::编辑框_宽带账号, "Edit", "", ES_LEFT},
        {Unit::编辑框_宽带密码, "Edit", "", ES_LEFT},
        {Unit::组合框_宽带连接, "ComboBox", "", CBS_DROPDOWNLIST},
        {Unit::标签1, "QvLabel", "连接：", 0},
        {Unit::标签6, "QvLabel", "_______________________________________________", 0},
    };
    for (const auto& row : rows) {
        HWND hwnd = Control(row.unit);
        EXPECT_STRCASEEQ(ClassOf(hwnd).c_str(), row.className) << row.text;
        EXPECT_EQ(TextOf(hwnd), row.text);
        EXPECT_EQ(GetWindowLongPtrA(hwnd, GWL_STYLE) & row.styleBits, row.styleBits) << row.text;
    }
    EXPECT_FALSE(GetWindowLongPtrA(Control(Unit::编辑框_宽带密码), GWL_STYLE) & ES_PASSWORD)
        << "the password is shown in clear";
}

TEST_F(FormTest, CombosAreDropDownListsAtLeast160Tall) {
    HWND hotkeys = Control(Unit::组合框_热键);
    EXPECT_EQ(SendMessageA(hotkeys, CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(SendMessageA(hotkeys, CB_GETCURSEL, 0, 0), 0);
    char item[8] = {};
    SendMessageA(hotkeys, CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(item, "F4");
    HWND connections = Control(Unit::组合框_宽带连接);
    EXPECT_EQ(SendMessageA(connections, CB_GETCOUNT, 0, 0), 0);
    // Compared with a reference list created exactly 160 tall: the platforms differ in
    // whether the reported opened rectangle includes the closed box.
    HWND reference = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST | WS_VSCROLL, 0,
                                     0, 102, 160, window, nullptr, nullptr, nullptr);
    SendMessageA(reference, WM_SETFONT, SendMessageA(connections, WM_GETFONT, 0, 0), FALSE);
    RECT dropped = {};
    RECT expected = {};
    SendMessageA(connections, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    SendMessageA(reference, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&expected));
    DestroyWindow(reference);
    EXPECT_GE(dropped.bottom - dropped.top, expected.bottom - expected.top);
    EXPECT_GT(dropped.bottom - dropped.top, 100);
}

TEST_F(FormTest, HiddenUnitsAreOutOfSight) {
    HWND label = Control(Unit::标签_热键标签);
    ASSERT_NE(label, nullptr);
    RECT client;
    GetClientRect(window, &client);
    RECT rc;
    GetWindowRect(label, &rc);
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&rc), 2);
    RECT overlap;
    EXPECT_FALSE(IntersectRect(&overlap, &rc, &client)) << "the feedback label is never seen";
    EXPECT_FALSE(IsWindowVisible(Control(Unit::时钟1)));
    HWND bar = Control(Unit::状态条1);
    EXPECT_STRCASEEQ(ClassOf(bar).c_str(), STATUSCLASSNAMEA);
}

TEST_F(FormTest, PropertiesReadAndWriteTheLiveControls) {
    form->WriteText(Unit::编辑框_宽带账号, prop::kContent, "宽带用户");
    EXPECT_EQ(TextOf(Control(Unit::编辑框_宽带账号)), "宽带用户");
    SetWindowTextA(Control(Unit::编辑框_宽带密码), "typed");
    EXPECT_EQ(form->ReadText(Unit::编辑框_宽带密码, prop::kContent), "typed");

    form->WriteText(Unit::按钮_定时, prop::kCaption, "停止定时");
    EXPECT_EQ(form->ReadText(Unit::按钮_定时, prop::kCaption), "停止定时");

    form->WriteInt(Unit::按钮_拔号, prop::kDisabled, 1);
    EXPECT_FALSE(IsWindowEnabled(Control(Unit::按钮_拔号)));
    EXPECT_EQ(form->ReadInt(Unit::按钮_拔号, prop::kDisabled), 1);
    form->WriteInt(Unit::按钮_拔号, prop::kDisabled, 0);
    EXPECT_TRUE(IsWindowEnabled(Control(Unit::按钮_拔号)));

    SendMessageA(Control(Unit::选择框_IP重复), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(form->ReadInt(Unit::选择框_IP重复, prop::kChecked), 1);
    form->WriteInt(Unit::选择框_IP重复, prop::kChecked, 0);
    EXPECT_EQ(SendMessageA(Control(Unit::选择框_IP重复), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(FormTest, ComboSelectionWriteFollowsTheRuleAndRaisesNothing) {
    const Unit combo = Unit::组合框_宽带连接;
    form->WriteInt(combo, prop::kSelection, 0);
    EXPECT_EQ(form->ReadInt(combo, prop::kSelection), -1) << "empty list: no selection";
    for (const char* name : {"宽带连接", "ADSL", "拨号3"}) {
        EXPECT_GE(form->AddItem(combo, name), 0);
    }
    EXPECT_EQ(form->AddItem(combo, "第四"), 3) << "appended at the end, not sorted";
    const struct { int write, read; } rows[] = {{5, 3}, {1, 1}, {-1, -1}, {2, 2}, {-2, -1}, {0, 0}};
    for (const auto& row : rows) {
        form->WriteInt(combo, prop::kSelection, row.write);
        EXPECT_EQ(form->ReadInt(combo, prop::kSelection), row.read) << row.write;
    }
    PumpFor(100);
    EXPECT_EQ(Count(Handler::ApplyHotkeyChoice), 0);
}

TEST_F(FormTest, UserChoiceInTheHotkeyComboRaisesItemChosenOnce) {
    HWND combo = Control(Unit::组合框_热键);
    SetForegroundWindow(window);
    SetFocus(combo);
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageA(combo, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(combo, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Count(Handler::ApplyHotkeyChoice), 0) << "posted, not run inside the control";
    ASSERT_TRUE(WaitUntil([&] { return Count(Handler::ApplyHotkeyChoice) > 0; }));
    PumpFor(100);
    EXPECT_EQ(Count(Handler::ApplyHotkeyChoice), 1);
    EXPECT_EQ(form->ReadInt(Unit::组合框_热键, prop::kSelection), 1) << "new selection in place";
}

TEST_F(FormTest, ClicksAndMenuCommandsRaiseTheirBindings) {
    SendMessageA(Control(Unit::按钮_拔号), BM_CLICK, 0, 0);
    SendMessageA(Control(Unit::选择框_热键), BM_CLICK, 0, 0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(20003, 0), 0);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(20000, 0), 0);  // the menu itself: unbound
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(20004, 0), 0);  // names no record
    ASSERT_GE(raised.size(), 4u);
    const std::vector<Handler> expected = {Handler::InitMainWindow, Handler::DialCommand,
                                           Handler::ToggleHotkey, Handler::RedialCommand};
    std::vector<Handler> got;
    for (const Raised& r : raised) {
        got.push_back(r.handler);
    }
    EXPECT_EQ(got, expected);
    EXPECT_EQ(form->ReadInt(Unit::选择框_热键, prop::kChecked), 1) << "state changed before";
}

TEST_F(FormTest, FeedbackLabelRaisesItsEventWithBothParameters) {
    HWND label = Control(Unit::标签_热键标签);
    EXPECT_EQ(SendMessageA(label, 0x8075, 33001, 0), 77) << "the handler's result";
    ASSERT_EQ(raised.back().handler, Handler::HotkeyFeedback);
    EXPECT_EQ(raised.back().a, 33001);
    EXPECT_EQ(raised.back().b, 0);
    EXPECT_EQ(SendMessageA(Control(Unit::标签1), 0x8075, 5, 6), 0) << "unbound label";
}

TEST_F(FormTest, FocusGoesToTheConnectionListOnActivation) {
    SetForegroundWindow(window);
    SetActiveWindow(window);
    SendMessageA(window, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(GetFocus(), Control(Unit::组合框_宽带连接));
    SetFocus(Control(Unit::编辑框_宽带账号));
    SendMessageA(window, WM_ACTIVATE, WA_INACTIVE, 0);
    SetFocus(window);
    EXPECT_EQ(GetFocus(), Control(Unit::编辑框_宽带账号)) << "the remembered control";
}

TEST_F(FormTest, DestroyingRaisesAboutToBeDestroyed) {
    DestroyWindow(window);
    EXPECT_EQ(raised.back().handler, Handler::TrayRemove);
    EXPECT_EQ(FormWindow::FromWindow(window), nullptr);
}

}  // namespace
}  // namespace qv
