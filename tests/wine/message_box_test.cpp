// The message box: default title, task-modal without owner, and the button mapping. The
// box is dismissed from a timer that fires inside its modal loop.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ui/message_box_win.h"
#include "wine/support/wine_support.h"

namespace qv {
namespace {

// What the timer saw of the open box, and how it should close it.
struct Dismissal {
    int button = IDOK;     // 0: close with WM_CLOSE
    HWND probe = nullptr;  // a window of this thread that the box should disable
    bool seen = false;
    std::string title;
    bool hasIcon = false;
    bool probeEnabled = true;
    std::vector<int> buttons;
    int ticks = 0;
};
Dismissal* current = nullptr;

BOOL CALLBACK InspectChild(HWND child, LPARAM) {
    char cls[16] = {};
    GetClassNameA(child, cls, sizeof cls);
    const std::string name(cls);
    if (name == "Static" && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        current->hasIcon = SendMessageA(child, STM_GETICON, 0, 0) != 0;
    }
    if (name == "Button" && IsWindowVisible(child)) {
        current->buttons.push_back(GetDlgCtrlID(child));
    }
    return TRUE;
}

void CALLBACK DismissBox(HWND, UINT, UINT_PTR timer, DWORD) {
    if (current == nullptr || current->seen || ++current->ticks > 250) {
        KillTimer(nullptr, timer);  // gives up after ~5 s: the box never showed
        return;
    }
    HWND box = testing::FindTopLevel(GetCurrentProcessId(), "#32770");
    if (box == nullptr) {
        return;
    }
    current->seen = true;
    KillTimer(nullptr, timer);
    char title[128] = {};
    GetWindowTextA(box, title, sizeof title);
    current->title = title;
    current->probeEnabled = current->probe ? IsWindowEnabled(current->probe) != FALSE : true;
    EnumChildWindows(box, InspectChild, 0);
    if (current->button == 0) {
        PostMessageA(box, WM_CLOSE, 0, 0);
    } else {
        PostMessageA(GetDlgItem(box, current->button), BM_CLICK, 0, 0);
    }
}

int ShowAndDismiss(Dismissal& d, const char* message, int style, const Text* title) {
    current = &d;
    SetTimer(nullptr, 0, 20, &DismissBox);
    const int result = ShowMessageBox(message, style, title);
    current = nullptr;
    return result;
}

TEST(MessageBoxTest, DefaultTitleAndTaskModalWithoutOwner) {
    HWND probe = CreateWindowExA(0, "STATIC", "probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100,
                                 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(probe, nullptr);
    Dismissal d;
    d.probe = probe;
    EXPECT_EQ(ShowAndDismiss(d, "请选择连接！", 0, nullptr), 0);
    ASSERT_TRUE(d.seen);
    EXPECT_EQ(d.title, "信息：");
    EXPECT_FALSE(d.hasIcon);
    EXPECT_EQ(d.buttons, std::vector<int>{IDOK});
    // Task-modal: the thread's other windows are disabled while the box is open.
    EXPECT_FALSE(d.probeEnabled);
    EXPECT_TRUE(IsWindowEnabled(probe));
    DestroyWindow(probe);
}

TEST(MessageBoxTest, ButtonsMapToTheFormsResults) {
    const Text title = "提示";
    const struct {
        int style, button, expected;
    } rows[] = {
        {MB_ICONWARNING, IDOK, 0},  // style 48: warning icon, OK answers 0
        {MB_OK, 0, 0},              // the close box on an OK-only box
        {MB_OKCANCEL, IDCANCEL, 1},
        {MB_OKCANCEL, 0, 1},  // closing counts as Cancel when there is one
        {MB_ABORTRETRYIGNORE, IDABORT, 2},
        {MB_RETRYCANCEL, IDRETRY, 3},
        {MB_ABORTRETRYIGNORE, IDIGNORE, 4},
        {MB_YESNO, IDYES, 5},
        {MB_YESNOCANCEL, IDNO, 6},
    };
    for (const auto& row : rows) {
        Dismissal d;
        d.button = row.button;
        EXPECT_EQ(ShowAndDismiss(d, "text", row.style, &title), row.expected)
            << "style " << row.style << " button " << row.button;
        EXPECT_TRUE(d.seen);
        EXPECT_EQ(d.title, "提示");
        EXPECT_EQ(d.hasIcon, row.style == MB_ICONWARNING) << row.style;
    }
}

}  // namespace
}  // namespace qv
