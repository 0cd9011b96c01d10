// The system-control unit types: edit box, button, check box, combo box, group box, label.
#include <windows.h>

#include "ui/form_win.h"
#include "ui/unit_win.h"

namespace qv {
namespace {

Text WindowText(HWND hwnd) {
    const int length = GetWindowTextLengthA(hwnd);
    Text text(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, '\0');
    const int copied = GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
    return text;
}

class EditBoxUnit final : public UnitControl {
  public:
    using UnitControl::UnitControl;
    bool Create(HWND parent, HFONT font) override {
        const DWORD align = record_.align == TextAlign::Center ? ES_CENTER : ES_LEFT;
        if (!CreateControl(parent, WS_EX_CLIENTEDGE, "EDIT", record_.caption,
                           align | ES_AUTOHSCROLL, font, record_.height)) {
            return false;
        }
        // No length limit: 0 lifts the system's default of about 30,000 characters.
        SendMessageA(hwnd_, EM_SETLIMITTEXT, 0, 0);
        return true;
    }
    std::optional<Text> ReadText(int property) override {
        return property == prop::kContent ? std::optional<Text>(WindowText(hwnd_))
                                          : UnitControl::ReadText(property);
    }
    bool WriteText(int property, const Text& value) override {
        if (property != prop::kContent) {
            return UnitControl::WriteText(property, value);
        }
        SetWindowTextA(hwnd_, value.c_str());
        return true;
    }
};

class ButtonUnit final : public UnitControl {
  public:
    using UnitControl::UnitControl;
    bool Create(HWND parent, HFONT font) override {
        return CreateControl(parent, 0, "BUTTON", record_.caption, BS_PUSHBUTTON, font,
                             record_.height) != nullptr;
    }
    std::optional<Text> ReadText(int property) override {
        return property == prop::kCaption ? std::optional<Text>(WindowText(hwnd_))
                                          : UnitControl::ReadText(property);
    }
    bool WriteText(int property, const Text& value) override {
        if (property != prop::kCaption) {
            return UnitControl::WriteText(property, value);
        }
        SetWindowTextA(hwnd_, value.c_str());
        return true;
    }
    void OnCommand(UINT code) override {
        if (code == BN_CLICKED) {
            form_.Raise(record_.id, event::kClicked);
        }
    }
};

class CheckBoxUnit final : public UnitControl {
  public:
    using UnitControl::UnitControl;
    bool Create(HWND parent, HFONT font) override {
        return CreateControl(parent, 0, "BUTTON", record_.caption, BS_AUTOCHECKBOX, font,
                             record_.height) != nullptr;
    }
    std::optional<int> ReadInt(int property) override {
        if (property != prop::kChecked) {
            return UnitControl::ReadInt(property);
        }
        return SendMessageA(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    }
    bool WriteInt(int property, int value) override {
        if (property != prop::kChecked) {
            return UnitControl::WriteInt(property, value);
        }
        SendMessageA(hwnd_, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
        return true;
    }
    void OnCommand(UINT code) override {
        if (code == BN_CLICKED) {
            form_.Raise(record_.id, event::kClicked);
        }
    }
};

class ComboBoxUnit final : public UnitControl {
  public:
    using UnitControl::UnitControl;
    bool Create(HWND parent, HFONT font) override {
        const int height =
            record_.height < kMinDropDownHeight ? kMinDropDownHeight : record_.height;
        if (!CreateControl(parent, 0, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL, font,
                           height)) {
            return false;
        }
        for (const char* item : record_.items) {
            AddItem(item);
        }
        WriteInt(prop::kSelection, record_.selection);
        return true;
    }
    std::optional<int> ReadInt(int property) override {
        if (property != prop::kSelection) {
            return UnitControl::ReadInt(property);
        }
        return static_cast<int>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0));
    }
    bool WriteInt(int property, int value) override {
        if (property != prop::kSelection) {
            return UnitControl::WriteInt(property, value);
        }
        const int count = static_cast<int>(SendMessageA(hwnd_, CB_GETCOUNT, 0, 0));
        SendMessageA(hwnd_, CB_SETCURSEL, ComboSelectionAfterWrite(value, count), 0);
        return true;
    }
    int AddItem(const Text& text) override {
        const LRESULT index =
            SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        if (index < 0) {
            return -1;
        }
        SendMessageA(hwnd_, CB_SETITEMDATA, index, 0);
        return static_cast<int>(index);
    }
    void OnCommand(UINT code) override {
        // Sent only for a choice the user confirms, never for CB_SETCURSEL. Posted, so the
        // handler runs after the control has finished its own message.
        if (code == CBN_SELENDOK) {
            PostMessageA(form_.MainWindow(), kItemChosenMessage, static_cast<WPARAM>(record_.id),
                         0);
        }
    }
};

constexpr const char* kLineHeightProperty = "QvLineHeight";
constexpr int kFrameWidth = 3;  // the etched frame's two lines, and one to spare

// True when everything `dc` may draw on lies inside the group box's frame, below its caption
// band: the frame and caption draw nothing there.
bool ClipInsideFrame(HWND box, HDC dc) {
    RECT clip;
    if (GetClipBox(dc, &clip) == ERROR) {
        return false;
    }
    RECT inside;
    GetClientRect(box, &inside);
    // The frame's top line runs through the middle of the caption's line, or of where an
    // empty caption's line would be.
    const auto lineHeight =
        static_cast<LONG>(reinterpret_cast<INT_PTR>(GetPropA(box, kLineHeightProperty)));
    inside.top = (GetWindowTextLengthA(box) > 0 ? lineHeight : lineHeight / 2) + kFrameWidth;
    InflateRect(&inside, -kFrameWidth, 0);
    inside.bottom -= kFrameWidth;
    return lineHeight > 0 && clip.left >= inside.left && clip.right <= inside.right &&
           clip.top >= inside.top && clip.bottom <= inside.bottom;
}

// Group boxes contain units; they pass their children's notifications to the main window.
LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(GetPropA(hwnd, "QvPreviousProc"));
    switch (message) {
        case WM_PRINTCLIENT:
            // A themed check box or button asks its parent for the background behind it (an
            // erase, then this) on every paint of its own; the themed frame would draw itself
            // again each time, with the main window's background under it, only to be clipped
            // away. Inside the frame the erase has already put the face colour there.
            if (ClipInsideFrame(hwnd, reinterpret_cast<HDC>(wParam))) {
                return 0;
            }
            break;
        case WM_NCPAINT:
            return 0;  // no border, no frame outside the client area; the system would take a DC
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX:
            return SendMessageA(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
        case WM_ERASEBKGND: {
            // A group box paints only its frame; its children stand on the face colour.
            RECT rc;
            GetClientRect(hwnd, &rc);
            FillRect(reinterpret_cast<HDC>(wParam), &rc, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_NCDESTROY:
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            RemovePropA(hwnd, "QvPreviousProc");
            RemovePropA(hwnd, kLineHeightProperty);
            break;
        default:
            break;
    }
    return CallWindowProcA(previous, hwnd, message, wParam, lParam);
}

class GroupBoxUnit final : public UnitControl {
  public:
    using UnitControl::UnitControl;
    bool Create(HWND parent, HFONT font) override {
        if (!CreateControl(parent, WS_EX_CONTROLPARENT, "BUTTON", record_.caption, BS_GROUPBOX,
                           font, record_.height)) {
            return false;
        }
        const LONG_PTR previous =
            SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&GroupBoxProc));
        SetPropA(hwnd_, "QvPreviousProc", reinterpret_cast<HANDLE>(previous));
        // The caption's line height, for the frame's place (ClipInsideFrame).
        HDC dc = GetDC(hwnd_);
        HGDIOBJ old =
            SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
        TEXTMETRICA metrics = {};
        const bool measured = GetTextMetricsA(dc, &metrics) != FALSE;
        SelectObject(dc, old);
        ReleaseDC(hwnd_, dc);
        if (measured) {
            SetPropA(hwnd_, kLineHeightProperty,
                     reinterpret_cast<HANDLE>(static_cast<INT_PTR>(metrics.tmHeight)));
        }
        return true;
    }
};

constexpr const char* kLabelClass = "QvLabel";

// Labels paint their caption themselves and turn the hotkey feedback message into their
// feedback event, returning the handler's result.
class LabelUnit final : public UnitControl {
  public:
    using UnitControl::UnitControl;
    bool Create(HWND parent, HFONT font) override {
        RegisterLabelClass();
        return CreateControl(parent, 0, kLabelClass, record_.caption, 0, font, record_.height) !=
               nullptr;
    }

  private:
    static void RegisterLabelClass() {
        WNDCLASSA cls = {};
        if (GetClassInfoA(GetModuleHandleA(nullptr), kLabelClass, &cls)) {
            return;
        }
        cls.lpfnWndProc = &LabelProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        cls.hbrBackground = nullptr;  // transparent: the separator label overlaps a check box
        cls.lpszClassName = kLabelClass;
        RegisterClassA(&cls);
    }

    static LRESULT CALLBACK LabelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<LabelUnit*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        switch (message) {
            case WM_SETFONT:
                SetPropA(hwnd, "QvFont", reinterpret_cast<HANDLE>(wParam));
                if (LOWORD(lParam)) {
                    InvalidateRect(hwnd, nullptr, TRUE);
                }
                return 0;
            case WM_GETFONT:
                return reinterpret_cast<LRESULT>(GetPropA(hwnd, "QvFont"));
            case WM_SETTEXT: {
                const LRESULT result = DefWindowProcA(hwnd, message, wParam, lParam);
                InvalidateRect(hwnd, nullptr, TRUE);
                return result;
            }
            case WM_PAINT:
                if (self) {
                    self->Paint();
                    return 0;
                }
                break;
            case WM_NCPAINT:
                return 0;  // no border, no frame to draw; the system would take a DC for it
            case WM_NCDESTROY:
                RemovePropA(hwnd, "QvFont");
                break;
            default:
                if (message == kHotkeyFeedbackMessage && self) {
                    return self->form_.Raise(self->record_.id, event::kFeedback,
                                             static_cast<std::intptr_t>(wParam),
                                             static_cast<std::intptr_t>(lParam));
                }
                break;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    void Paint() {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd_, &ps);
        RECT rc;
        GetClientRect(hwnd_, &rc);
        const Text text = WindowText(hwnd_);
        HGDIOBJ oldFont = SelectObject(dc, GetPropA(hwnd_, "QvFont"));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, record_.textColor.value_or(GetSysColor(COLOR_WINDOWTEXT)));
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rc,
                  DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, oldFont);
        EndPaint(hwnd_, &ps);
    }
};

}  // namespace

std::unique_ptr<UnitControl> MakeUnitControl(FormWindow& form, const UnitRecord& record) {
    switch (record.type) {
        case UnitType::EditBox:
            return std::make_unique<EditBoxUnit>(form, record);
        case UnitType::Button:
            return std::make_unique<ButtonUnit>(form, record);
        case UnitType::CheckBox:
            return std::make_unique<CheckBoxUnit>(form, record);
        case UnitType::ComboBox:
            return std::make_unique<ComboBoxUnit>(form, record);
        case UnitType::GroupBox:
            return std::make_unique<GroupBoxUnit>(form, record);
        case UnitType::Label:
            return std::make_unique<LabelUnit>(form, record);
        case UnitType::Timer:
            return MakeClockUnit(form, record);
        case UnitType::StatusBar:
            return MakeStatusBarUnit(form, record);
        case UnitType::SimpleHtml:
            return MakeSimpleHtmlUnit(form, record);
        case UnitType::Window:
        case UnitType::Menu:
            break;
    }
    return nullptr;
}

// Common properties: 0..3 geometry (relative to the parent), 5 visible, 6 disabled.
std::optional<int> UnitControl::ReadInt(int property) {
    RECT rc;
    GetWindowRect(hwnd_, &rc);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd_), reinterpret_cast<POINT*>(&rc), 2);
    switch (property) {
        case 0:
            return static_cast<int>(rc.left);
        case 1:
            return static_cast<int>(rc.top);
        case 2:
            return static_cast<int>(rc.right - rc.left);
        case 3:
            return static_cast<int>(rc.bottom - rc.top);
        case 5:
            return IsWindowVisible(hwnd_) ? 1 : 0;
        case prop::kDisabled:
            return IsWindowEnabled(hwnd_) ? 0 : 1;
        default:
            return std::nullopt;
    }
}

bool UnitControl::WriteInt(int property, int value) {
    switch (property) {
        case 5:
            ShowWindow(hwnd_, value ? SW_SHOWNA : SW_HIDE);
            return true;
        case prop::kDisabled:
            EnableWindow(hwnd_, value ? FALSE : TRUE);
            return true;
        default:
            return false;
    }
}

std::optional<Text> UnitControl::ReadText(int) {
    return std::nullopt;
}

bool UnitControl::WriteText(int, const Text&) {
    return false;
}

HWND UnitControl::CreateControl(HWND parent, DWORD exStyle, const char* className, const char* text,
                                DWORD style, HFONT font, int height) {
    style |= WS_CHILD;
    if (record_.flags & unit_flag::kVisible) {
        style |= WS_VISIBLE;
    }
    if (record_.flags & unit_flag::kDisabled) {
        style |= WS_DISABLED;
    }
    if (record_.flags & unit_flag::kTabStop) {
        style |= WS_TABSTOP;
    }
    hwnd_ =
        CreateWindowExA(exStyle, className, text, style, record_.left, record_.top, record_.width,
                        height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(record_.id)),
                        GetModuleHandleA(nullptr), nullptr);
    if (hwnd_ != nullptr) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return hwnd_;
}

}  // namespace qv
