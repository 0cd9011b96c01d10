// The main window made from the form: geometry, styles, units, properties and events on
// live controls.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
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
    void TearDown() override { testing::DestroyAndDrain(window); }
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
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION) << "a border alone is no caption";
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_EQ(GetMenu(window), nullptr);
    EXPECT_EQ(TextOf(window), "QuorvaneV1.0 By Telmora_" QV_MAKER_SITE);
    EXPECT_EQ(raised.front().handler, Handler::InitMainWindow) << "created event first";
    EXPECT_EQ(Count(Handler::InitMainWindow), 1);
}

// The main window's units as the layout describes them, written out here rather than read
// from the program's form table, so that a wrong number in that table cannot pass. `type` is
// the style's type field (BS_TYPEMASK for buttons, the alignment for edits, the kind for
// combo boxes); `text` nullptr where the caption is not the unit's own.
struct ExpectedUnit {
    Unit unit;
    const char* className;
    Unit parent;
    int left, top, width, height;
    const char* text;
    LONG_PTR type;
    bool tabStop;
};

constexpr LONG_PTR kNoType = -1;
constexpr const char* kSeparator = "_______________________________________________";

// clang-format off
constexpr ExpectedUnit kLayout[] = {
    {Unit::分组框1, "Button", Unit::窗口, 4, 1, 272, 95, "", BS_GROUPBOX, false},
    {Unit::标签1, "QvLabel", Unit::分组框1, 7, 16, 48, 16, "连接：", kNoType, false},
    {Unit::组合框_宽带连接, "ComboBox", Unit::分组框1, 41, 15, 102, 20, "", CBS_DROPDOWNLIST, true},
    {Unit::标签2, "QvLabel", Unit::分组框1, 7, 43, 32, 16, "账号：", kNoType, false},
    {Unit::编辑框_宽带账号, "Edit", Unit::分组框1, 41, 42, 100, 18, "", ES_LEFT, true},
    {Unit::标签5, "QvLabel", Unit::分组框1, 7, 69, 32, 16, "密码：", kNoType, false},
    {Unit::编辑框_宽带密码, "Edit", Unit::分组框1, 41, 68, 100, 18, "", ES_LEFT, true},
    {Unit::按钮_保存配置, "Button", Unit::分组框1, 148, 13, 56, 22, "保存信息", BS_PUSHBUTTON, true},
    {Unit::按钮_断线, "Button", Unit::分组框1, 208, 12, 56, 22, "断线", BS_PUSHBUTTON, true},
    {Unit::按钮_拔号, "Button", Unit::分组框1, 208, 38, 56, 22, "拔号", BS_PUSHBUTTON, true},
    {Unit::按钮_重拔, "Button", Unit::分组框1, 208, 65, 56, 22, "重拔", BS_PUSHBUTTON, true},
    {Unit::分组框2, "Button", Unit::窗口, 280, 1, 216, 95, "", BS_GROUPBOX, false},
    {Unit::选择框_热键, "Button", Unit::分组框2, 6, 11, 82, 24, "热键重拔：", BS_AUTOCHECKBOX, true},
    {Unit::组合框_热键, "ComboBox", Unit::分组框2, 82, 13, 40, 20, nullptr, CBS_DROPDOWNLIST, true},
    {Unit::选择框_IP重复, "Button", Unit::分组框2, 6, 32, 144, 24, "IP重复继续进行重拔", BS_AUTOCHECKBOX, true},
    {Unit::标签6, "QvLabel", Unit::分组框2, 3, 46, 205, 16, kSeparator, kNoType, false},
    {Unit::标签4, "QvLabel", Unit::分组框2, 8, 69, 80, 16, "定时重拔：", kNoType, false},
    {Unit::编辑框_定时间隔, "Edit", Unit::分组框2, 67, 68, 37, 18, "60", ES_CENTER, true},
    {Unit::标签3, "QvLabel", Unit::分组框2, 111, 70, 24, 16, "秒", kNoType, false},
    {Unit::按钮_定时, "Button", Unit::分组框2, 131, 65, 64, 24, "开始定时", BS_PUSHBUTTON, true},
    {Unit::简单超文本框1, "QvLinkBox", Unit::窗口, 290, 100, 211, 16, nullptr, kNoType, true},
    {Unit::标签_热键标签, "QvLabel", Unit::窗口, 616, 200, 48, 16, "", kNoType, false},
};
// clang-format on

// The style's type field for the unit's class; kNoType for classes of our own.
LONG_PTR TypeField(const std::string& className, LONG_PTR style) {
    if (_stricmp(className.c_str(), "Button") == 0) {
        return style & BS_TYPEMASK;
    }
    if (_stricmp(className.c_str(), "Edit") == 0) {
        return style & (ES_LEFT | ES_CENTER | ES_RIGHT);
    }
    if (_stricmp(className.c_str(), "ComboBox") == 0) {
        return style & (CBS_SIMPLE | CBS_DROPDOWN | CBS_DROPDOWNLIST);
    }
    return kNoType;
}

TEST_F(FormTest, EveryUnitStandsWhereTheFormPutsIt) {
    HFONT guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (const ExpectedUnit& u : kLayout) {
        HWND hwnd = Control(u.unit);
        ASSERT_NE(hwnd, nullptr) << static_cast<int>(u.unit);
        const std::string name = std::to_string(static_cast<int>(u.unit));
        HWND expectedParent = u.parent == Unit::窗口 ? window : Control(u.parent);
        EXPECT_EQ(GetParent(hwnd), expectedParent) << name;
        RECT rc;
        GetWindowRect(hwnd, &rc);
        MapWindowPoints(HWND_DESKTOP, expectedParent, reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_EQ(rc.left, u.left) << name;
        EXPECT_EQ(rc.top, u.top) << name;
        EXPECT_EQ(rc.right - rc.left, u.width) << name;
        if (_stricmp(u.className, "ComboBox") != 0) {  // its window is the opened list's height
            EXPECT_EQ(rc.bottom - rc.top, u.height) << name;
        }
        const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
        EXPECT_TRUE(IsWindowEnabled(hwnd)) << name;
        EXPECT_TRUE(style & WS_VISIBLE) << name;
        EXPECT_EQ((style & WS_TABSTOP) != 0, u.tabStop) << name;
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), guiFont) << name;
    }
}

TEST_F(FormTest, UnitsAreTheRightControlsWithTheirCaptions) {
    for (const ExpectedUnit& u : kLayout) {
        HWND hwnd = Control(u.unit);
        ASSERT_NE(hwnd, nullptr) << static_cast<int>(u.unit);
        const std::string name = std::to_string(static_cast<int>(u.unit));
        EXPECT_STRCASEEQ(ClassOf(hwnd).c_str(), u.className) << name;
        if (u.text != nullptr) {
            EXPECT_EQ(TextOf(hwnd), u.text) << name;
        }
        EXPECT_EQ(TypeField(ClassOf(hwnd), GetWindowLongPtrA(hwnd, GWL_STYLE)), u.type) << name;
    }
    const LONG_PTR password = GetWindowLongPtrA(Control(Unit::编辑框_宽带密码), GWL_STYLE);
    EXPECT_FALSE(password & ES_PASSWORD) << "the password is shown in clear";
    for (Unit combo : {Unit::组合框_宽带连接, Unit::组合框_热键}) {
        EXPECT_FALSE(GetWindowLongPtrA(Control(combo), GWL_STYLE) & CBS_SORT) << "not sorted";
    }
    for (Unit edit : {Unit::编辑框_宽带账号, Unit::编辑框_宽带密码, Unit::编辑框_定时间隔}) {
        EXPECT_FALSE(GetWindowLongPtrA(Control(edit), GWL_STYLE) & ES_MULTILINE) << "one line";
    }
}

// No length limit: not the system's default of about 30,000 characters.
TEST_F(FormTest, EditBoxesHaveNoLengthLimit) {
    for (Unit edit : {Unit::编辑框_宽带账号, Unit::编辑框_宽带密码, Unit::编辑框_定时间隔}) {
        const auto limit = static_cast<DWORD>(SendMessageA(Control(edit), EM_GETLIMITTEXT, 0, 0));
        EXPECT_GE(limit, 0x7FFFFFFEu) << static_cast<int>(edit);
    }
    const std::string longText(40000, 'a');
    SetWindowTextA(Control(Unit::编辑框_宽带账号), longText.c_str());
    SendMessageA(Control(Unit::编辑框_宽带账号), EM_SETSEL, 40000, 40000);
    SendMessageA(Control(Unit::编辑框_宽带账号), EM_REPLACESEL, FALSE,
                 reinterpret_cast<LPARAM>("b"));
    EXPECT_EQ(GetWindowTextLengthA(Control(Unit::编辑框_宽带账号)), 40001) << "typing goes on";
}

// Pixels the control shows on screen now, from row `firstRow` down, that `match` accepts.
// Text is drawn smoothed, so colours are told apart by their hue, not their exact value.
template <typename Match>
int CountPixels(HWND control, Match match, int firstRow = 0) {
    RECT rc;
    GetClientRect(control, &rc);
    HDC dc = GetDC(control);
    int count = 0;
    for (int y = firstRow; y < rc.bottom; ++y) {
        for (int x = 0; x < rc.right; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            count += match(GetRValue(c), GetGValue(c), GetBValue(c)) ? 1 : 0;
        }
    }
    ReleaseDC(control, dc);
    return count;
}

bool Greenish(int r, int g, int b) {
    return g > r + 40 && g > b + 40;
}

bool DarkGrey(int r, int g, int b) {
    return std::abs(r - g) < 8 && std::abs(g - b) < 8 && r < 0xD0;
}

// A label without a colour of its own follows the scheme, as buttons and check boxes do;
// only 标签6 is grey. 标签2 overlaps no other unit; 标签6 overlaps the check box above it
// down to its row 10, so only its rows from 11 on are its own.
TEST_F(FormTest, LabelsPaintInTheSchemeTextColourExceptTheGreySeparator) {
    const int elements[] = {COLOR_WINDOWTEXT, COLOR_BTNTEXT};
    const COLORREF saved[] = {GetSysColor(elements[0]), GetSysColor(elements[1])};
    const COLORREF green[] = {RGB(0, 160, 0), RGB(0, 160, 0)};
    SetSysColors(2, elements, green);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    UpdateWindow(window);
    PumpFor(100);
    HWND label = Control(Unit::标签2);
    HWND separator = Control(Unit::标签6);
    const int labelGreen = CountPixels(label, Greenish);
    const int labelGrey = CountPixels(label, DarkGrey);
    const int separatorGreen = CountPixels(separator, Greenish, 11);
    const int separatorGrey = CountPixels(separator, DarkGrey, 11);
    SetSysColors(2, elements, saved);
    EXPECT_GT(labelGreen, 0) << "标签2 ignores the scheme";
    EXPECT_EQ(labelGrey, 0) << "标签2 painted black";
    EXPECT_GT(separatorGrey, 0) << "标签6 is grey";
    EXPECT_EQ(separatorGreen, 0) << "标签6 keeps its own colour";
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

// The program's manifest asks for the version 6 (themed) controls; this test program has
// none, so a window made while this context is active gets them instead.
class ThemedControls {
  public:
    ThemedControls() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        path_ = std::string(temp) + "qv-form-test-v6.manifest";
        std::ofstream(path_, std::ios::binary | std::ios::trunc)
            << "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
               "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">"
               "<dependency><dependentAssembly><assemblyIdentity type=\"win32\" "
               "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
               "processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\" "
               "language=\"*\"/></dependentAssembly></dependency></assembly>";
        ACTCTXA context = {};
        context.cbSize = sizeof context;
        context.lpSource = path_.c_str();
        context_ = CreateActCtxA(&context);
        active_ = context_ != INVALID_HANDLE_VALUE && ActivateActCtx(context_, &cookie_);
    }
    ~ThemedControls() {
        if (active_) {
            DeactivateActCtx(0, cookie_);
        }
        if (context_ != INVALID_HANDLE_VALUE) {
            ReleaseActCtx(context_);
        }
        DeleteFileA(path_.c_str());
    }
    bool Active() const { return active_; }

  private:
    std::string path_;
    HANDLE context_ = INVALID_HANDLE_VALUE;
    ULONG_PTR cookie_ = 0;
    bool active_ = false;
};

// A themed button or check box asks its group box for the background behind it on every
// paint. Inside the frame the box draws nothing more (its erase has put the face colour
// there), so the themed frame's own request to the main window never comes; where the frame
// can show, it is drawn as ever.
TEST_F(FormTest, GroupBoxDrawsItsFrameOnlyWhereTheFrameCanShow) {
    ThemedControls themed;
    ASSERT_TRUE(themed.Active());
    FormWindow themedForm([](Handler, std::intptr_t, std::intptr_t) { return std::intptr_t{0}; });
    ASSERT_TRUE(themedForm.Load(GetModuleHandleA(nullptr)));
    int mainWindowAsked = 0;
    themedForm.SetMessageHook([&](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
        mainWindowAsked += message == WM_PRINTCLIENT;
        return std::nullopt;
    });
    HWND box = reinterpret_cast<HWND>(themedForm.WindowHandle(Unit::分组框1));
    RECT whole;
    GetClientRect(box, &whole);
    HDC boxDc = GetDC(box);
    HDC dc = CreateCompatibleDC(boxDc);
    HBITMAP bitmap = CreateCompatibleBitmap(boxDc, whole.right, whole.bottom);
    ReleaseDC(box, boxDc);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH sentinel = CreateSolidBrush(RGB(255, 0, 255));
    const struct {
        const char* name;
        RECT clip;
        bool drawn;
    } rows[] = {
        {"behind 按钮_拔号", {208, 38, 264, 60}, false},
        {"across the top line", {20, 0, 60, 20}, true},
        {"the whole box", whole, true},
    };
    for (const auto& row : rows) {
        SelectClipRgn(dc, nullptr);
        FillRect(dc, &whole, sentinel);
        IntersectClipRect(dc, row.clip.left, row.clip.top, row.clip.right, row.clip.bottom);
        mainWindowAsked = 0;
        SendMessageA(box, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        int painted = 0;
        for (int y = row.clip.top; y < row.clip.bottom; ++y) {
            for (int x = row.clip.left; x < row.clip.right; ++x) {
                painted += GetPixel(dc, x, y) != RGB(255, 0, 255);
            }
        }
        EXPECT_EQ(painted > 0, row.drawn) << row.name << ": " << painted << " pixels drawn";
        if (!row.drawn) {
            EXPECT_EQ(mainWindowAsked, 0) << row.name << ": the frame was drawn after all";
        }
    }
    themedForm.SetMessageHook(nullptr);
    DeleteObject(sentinel);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DestroyWindow(themedForm.MainWindow());
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
