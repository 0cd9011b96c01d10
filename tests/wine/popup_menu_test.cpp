// The popup of 托盘菜单 on the live main window: entries, command numbers, placement, and
// how it closes. A timer that fires inside the menu's modal loop inspects and drives it.
#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/form_win.h"
#include "ui/popup_menu_win.h"
#include "wine/support/wine_support.h"

namespace qv {
namespace {

struct Entry {
    std::string caption;
    UINT command;
    UINT state;
};

// What the timer saw of the open popup, and the keys it then posts to it.
struct MenuVisit {
    std::vector<WPARAM> keys;  // empty: click outside the menu instead
    bool seen = false;
    std::vector<Entry> entries;
    RECT rect = {};
    HWND foreground = nullptr;
    int ticks = 0;
};
MenuVisit* visit = nullptr;

void ClickAt(int x, int y) {
    SetCursorPos(x, y);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

void CALLBACK DrivePopup(HWND, UINT, UINT_PTR timer, DWORD) {
    if (visit == nullptr || visit->seen || ++visit->ticks > 150) {
        KillTimer(nullptr, timer);
        return;
    }
    HWND popup = testing::FindTopLevel(0, "#32768");
    if (popup == nullptr) {
        return;
    }
    visit->seen = true;
    KillTimer(nullptr, timer);
    GetWindowRect(popup, &visit->rect);
    visit->foreground = GetForegroundWindow();
    HMENU menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
        char text[64] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        visit->entries.push_back({text, GetMenuItemID(menu, i),
                                  GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION)});
    }
    if (visit->keys.empty()) {
        ClickAt(visit->rect.right + 200, visit->rect.bottom + 200);
    }
    for (WPARAM key : visit->keys) {
        PostMessageA(popup, WM_KEYDOWN, key, 0);
    }
}

class PopupMenuTest : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        form = std::make_unique<FormWindow>([this](Handler h, std::intptr_t, std::intptr_t) {
            raised.push_back(h);
            return std::intptr_t{0};
        });
        ASSERT_TRUE(form->Load(GetModuleHandleA(nullptr)));
        window = form->MainWindow();
        raised.clear();
    }
    void TearDown() override {
        visit = nullptr;
        testing::DestroyAndDrain(window);
    }
    // Opens the popup with the cursor at (x, y) and lets the timer drive it.
    void Open(MenuVisit& v, Unit menu, HWND owner, int x = 300, int y = 200) {
        cursorPlaced = qv::testing::PlaceCursor(x, y);
        visit = &v;
        SetTimer(nullptr, 0, 20, &DrivePopup);
        ShowFormPopupMenu(owner, menu);
        visit = nullptr;
    }
    bool WmNullPosted() {
        MSG msg;
        bool found = false;
        while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
            found = found || msg.message == WM_NULL;
            DispatchMessageA(&msg);
        }
        return found;
    }

    std::unique_ptr<FormWindow> form;
    HWND window = nullptr;
    std::vector<Handler> raised;
    bool cursorPlaced = false;
};

TEST_F(PopupMenuTest, TrayMenuShowsItsEntriesAtTheCursorAndEscClosesIt) {
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100,
                                 100, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    MenuVisit v;
    v.keys = {VK_ESCAPE};
    Open(v, Unit::托盘菜单, window, 300, 200);
    ASSERT_TRUE(v.seen);
    ASSERT_EQ(v.entries.size(), 3u);
    const char* captions[] = {"断线", "拔号", "重拔"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(v.entries[i].caption, captions[i]);
        EXPECT_EQ(v.entries[i].command, 20001 + i);
        EXPECT_EQ(v.entries[i].state & (MF_GRAYED | MF_CHECKED | MF_SEPARATOR), 0u);
    }
    ASSERT_TRUE(cursorPlaced);
    EXPECT_EQ(v.rect.left, 303);
    EXPECT_EQ(v.rect.top, 203);
    // The owner is brought forward so that Esc and outside clicks reach the menu, and it
    // gets WM_NULL once the menu has closed.
    EXPECT_EQ(v.foreground, window);
    EXPECT_TRUE(WmNullPosted());
    qv::testing::PumpFor(100);
    EXPECT_TRUE(raised.empty());
    DestroyWindow(other);
}

TEST_F(PopupMenuTest, ChosenEntryRunsItsHandlerAfterThePopupReturns) {
    const struct {
        int downs;
        Handler expected;
    } rows[] = {
        {1, Handler::HangUpCommand}, {2, Handler::DialCommand}, {3, Handler::RedialCommand}};
    for (const auto& row : rows) {
        raised.clear();
        MenuVisit v;
        v.keys.assign(static_cast<std::size_t>(row.downs), VK_DOWN);
        v.keys.push_back(VK_RETURN);
        Open(v, Unit::托盘菜单, window);
        ASSERT_TRUE(v.seen);
        // Posted as the window's command message: nothing has run yet.
        EXPECT_TRUE(raised.empty());
        ASSERT_TRUE(qv::testing::WaitUntil([&] { return !raised.empty(); }));
        EXPECT_EQ(raised, std::vector<Handler>{row.expected}) << row.downs;
    }
}

TEST_F(PopupMenuTest, ClickOutsideClosesWithoutRunningAnything) {
    MenuVisit v;  // no keys: click far below and right of the menu
    Open(v, Unit::托盘菜单, window, 200, 150);
    ASSERT_TRUE(v.seen);
    qv::testing::PumpFor(100);
    EXPECT_TRUE(raised.empty());
}

TEST_F(PopupMenuTest, ShowsNothingForNonMenusEntriesOrForeignWindows) {
    HWND foreign = CreateWindowExA(0, "STATIC", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   nullptr, nullptr);
    const struct {
        HWND owner;
        Unit menu;
    } rows[] = {{window, Unit::按钮_重拔},
                {window, Unit::托盘菜单_重拔},
                {foreign, Unit::托盘菜单},
                {nullptr, Unit::托盘菜单}};
    for (const auto& row : rows) {
        MenuVisit v;
        v.keys = {VK_ESCAPE};  // closes a popup that should not be there
        Open(v, row.menu, row.owner);
        EXPECT_FALSE(v.seen) << static_cast<int>(row.menu);
    }
    DestroyWindow(foreign);
}

}  // namespace
}  // namespace qv
