// The second reference for the start-up benchmark: Quorvane's form made the plainest way. The
// same units in the same places, parents and creation order, as the system's own controls
// with the program's manifest, then shown, painted and the status bar's part 2 written, as the
// bare window does. What Quorvane takes beyond this is its own code; what this takes beyond
// the bare window is the price of the form's windows.
#include <windows.h>

#include <commctrl.h>

#include <map>

#include "ui/form_table.h"

namespace {

using qv::UnitRecord;
using qv::UnitType;

LRESULT CALLBACK BareFormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

struct PlainControl {
    DWORD exStyle = 0;
    const char* className = "STATIC";
    DWORD style = 0;
};

PlainControl PlainControlFor(const UnitRecord& record) {
    switch (record.type) {
        case UnitType::EditBox:
            return {
                WS_EX_CLIENTEDGE, "EDIT",
                static_cast<DWORD>(ES_AUTOHSCROLL |
                                   (record.align == qv::TextAlign::Center ? ES_CENTER : ES_LEFT))};
        case UnitType::Button:
            return {0, "BUTTON", BS_PUSHBUTTON};
        case UnitType::CheckBox:
            return {0, "BUTTON", BS_AUTOCHECKBOX};
        case UnitType::GroupBox:
            return {WS_EX_CONTROLPARENT, "BUTTON", BS_GROUPBOX};
        case UnitType::ComboBox:
            return {0, "COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL};
        case UnitType::StatusBar:
            return {0, STATUSCLASSNAMEA, SBARS_TOOLTIPS | CCS_BOTTOM};
        default:  // labels and the link box: a line of text
            return {};
    }
}

class BareForm {
  public:
    explicit BareForm(HWND window) : window_(window) {}

    HWND Create(const UnitRecord& record) {
        if (const auto made = made_.find(record.id); made != made_.end()) {
            return made->second;
        }
        HWND parent = window_;
        if (record.parent != qv::Unit::窗口) {
            const UnitRecord* box = qv::FindUnit(record.parent);
            parent = box ? Create(*box) : nullptr;
        }
        const PlainControl plain = PlainControlFor(record);
        DWORD style = plain.style | WS_CHILD;
        style |= (record.flags & qv::unit_flag::kVisible) ? WS_VISIBLE : 0;
        style |= (record.flags & qv::unit_flag::kTabStop) ? WS_TABSTOP : 0;
        const int height =
            record.type == UnitType::ComboBox ? qv::kMinDropDownHeight : record.height;
        HWND control = CreateWindowExA(plain.exStyle, plain.className, record.caption, style,
                                       record.left, record.top, record.width, height, parent,
                                       nullptr, GetModuleHandleA(nullptr), nullptr);
        SendMessageA(control, WM_SETFONT,
                     reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        for (const char* item : record.items) {
            SendMessageA(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
        if (record.type == UnitType::ComboBox) {
            SendMessageA(control, CB_SETCURSEL, record.selection, 0);
        }
        made_[record.id] = control;
        return control;
    }

  private:
    HWND window_;
    std::map<qv::Unit, HWND> made_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &BareFormProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "QvBareForm";
    RegisterClassA(&windowClass);
    const UnitRecord& form = qv::MainForm().front();
    HWND window = CreateWindowExA(WS_EX_CONTROLPARENT, "QvBareForm", form.caption,
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  CW_USEDEFAULT, CW_USEDEFAULT, form.width, form.height, nullptr,
                                  nullptr, instance, nullptr);
    BareForm units(window);
    HWND bar = nullptr;
    for (const UnitRecord& record : qv::MainForm()) {
        if (record.type != UnitType::Window && record.type != UnitType::Menu &&
            record.type != UnitType::Timer) {
            HWND control = units.Create(record);
            bar = record.type == UnitType::StatusBar ? control : bar;
        }
    }
    int edges[] = {200, 350, -1};
    SendMessageA(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    SendMessageA(bar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("当前状态："));
    SendMessageA(bar, SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("当前IP："));
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SendMessageA(bar, SB_SETTEXTA, 2, reinterpret_cast<LPARAM>("ready"));
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
