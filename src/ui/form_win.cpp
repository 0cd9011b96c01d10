#include "ui/form_win.h"

#include "ui/message_box_win.h"
#include "ui/popup_menu_win.h"

namespace qv {
namespace {

constexpr const char* kFormProperty = "QvForm";
constexpr DWORD kMainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

bool RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXA cls = {};
    cls.cbSize = sizeof cls;
    if (GetClassInfoExA(instance, kMainWindowClassName, &cls)) {
        return true;
    }
    cls.lpfnWndProc = DefWindowProcA;  // replaced below; the real one needs the form
    cls.hInstance = instance;
    cls.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    cls.hIconSm = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON), 0));
    cls.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = kMainWindowClassName;
    return RegisterClassExA(&cls) != 0;
}

}  // namespace

FormWindow* FormWindow::FromWindow(HWND window) {
    return window ? static_cast<FormWindow*>(GetPropA(window, kFormProperty)) : nullptr;
}

bool FormWindow::Load(HINSTANCE instance, int showCommand) {
    if (!RegisterMainWindowClass(instance)) {
        return false;
    }
    const UnitRecord& window = MainForm().front();
    font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const int left = CentredOrigin(GetSystemMetrics(SM_CXSCREEN), window.width);
    const int top = CentredOrigin(GetSystemMetrics(SM_CYSCREEN), window.height);
    hwnd_ = CreateWindowExA(WS_EX_CONTROLPARENT, kMainWindowClassName, window.caption,
                            kMainWindowStyle, left, top, window.width, window.height, nullptr,
                            nullptr, instance, nullptr);
    if (hwnd_ == nullptr) {
        return false;
    }
    SetPropA(hwnd_, kFormProperty, this);
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

    for (const UnitRecord& record : MainForm()) {
        if (record.type != UnitType::Window && record.type != UnitType::Menu) {
            CreateUnit(record);
        }
    }
    // The only top menu is hidden, so the window has no menu bar to build. Painted now, with
    // its empty texts: the start-up handler may wait seconds on the echo page, and a window
    // left to the message loop shows an empty frame (or the system's "not responding" ghost)
    // all that time.
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
    Raise(Unit::窗口, event::kCreated);
    return true;
}

// Units are created in form order; a group box that holds an earlier unit is created
// when that unit needs it as its parent.
UnitControl* FormWindow::CreateUnit(const UnitRecord& record) {
    if (UnitControl* existing = FindControl(record.id)) {
        return existing;
    }
    HWND parent = hwnd_;
    if (record.parent != Unit::窗口 && record.parent != Unit::None) {
        const UnitRecord* container = FindUnit(record.parent);
        UnitControl* box = container ? CreateUnit(*container) : nullptr;
        if (box == nullptr) {
            return nullptr;
        }
        parent = box->Handle();
    }
    std::unique_ptr<UnitControl> unit = MakeUnitControl(*this, record);
    if (!unit || !unit->Create(parent, font_)) {
        return nullptr;
    }
    units_.push_back(std::move(unit));
    return units_.back().get();
}

UnitControl* FormWindow::FindControl(Unit unit) const {
    for (const auto& u : units_) {
        if (u->Record().id == unit) {
            return u.get();
        }
    }
    return nullptr;
}

UnitControl* FormWindow::FindControl(HWND handle) const {
    for (const auto& u : units_) {
        if (u->Handle() == handle) {
            return u.get();
        }
    }
    return nullptr;
}

std::intptr_t FormWindow::Raise(Unit unit, int event, std::intptr_t a, std::intptr_t b) {
    const Handler handler = BoundHandler(unit, event);
    if (handler == Handler::None || !sink_) {
        return 0;
    }
    return sink_(handler, a, b);
}

LRESULT CALLBACK FormWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    FormWindow* form = FromWindow(hwnd);
    if (form == nullptr) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return form->OnMessage(message, wParam, lParam);
}

LRESULT FormWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case kItemChosenMessage:
            Raise(static_cast<Unit>(wParam), event::kItemChosen);
            return 0;
        case WM_SIZE:
            for (const auto& u : units_) {
                u->OnParentResized();
            }
            return 0;
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam) != WA_INACTIVE);
            return DefWindowProcA(hwnd_, message, wParam, lParam);
        case WM_SETFOCUS:
            OnSetFocus();
            return 0;
        case WM_DESTROY:
            Raise(Unit::窗口, event::kDestroying);
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY: {
            HWND window = hwnd_;
            RemovePropA(window, kFormProperty);
            hwnd_ = nullptr;
            return DefWindowProcA(window, message, wParam, lParam);
        }
        default:
            if (hook_) {
                if (const std::optional<LRESULT> result = hook_(message, wParam, lParam)) {
                    return *result;
                }
            }
            break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void FormWindow::OnCommand(WORD id, WORD code, HWND control) {
    if (control != nullptr) {
        if (UnitControl* unit = FindControl(control)) {
            unit->OnCommand(code);
        }
        return;
    }
    if (const UnitRecord* item = MenuByCommandNumber(id)) {
        Raise(item->id, event::kClicked);
    }
}

void FormWindow::OnActivate(bool active) {
    if (!active) {
        HWND focus = GetFocus();
        rememberedFocus_ = (focus && IsChild(hwnd_, focus)) ? focus : nullptr;
    }
}

void FormWindow::OnSetFocus() {
    HWND target = rememberedFocus_;
    if (target == nullptr || !IsWindow(target) || !IsChild(hwnd_, target)) {
        UnitControl* unit = FindControl(DefaultFocusUnit());
        target = unit ? unit->Handle() : nullptr;
    }
    if (target != nullptr) {
        SetFocus(target);
    }
}

Text FormWindow::ReadText(Unit unit, int property) {
    UnitControl* control = FindControl(unit);
    return control ? control->ReadText(property).value_or(Text()) : Text();
}

int FormWindow::ReadInt(Unit unit, int property) {
    UnitControl* control = FindControl(unit);
    return control ? control->ReadInt(property).value_or(0) : 0;
}

void FormWindow::WriteText(Unit unit, int property, const Text& value) {
    if (UnitControl* control = FindControl(unit)) {
        control->WriteText(property, value);
    }
}

void FormWindow::WriteInt(Unit unit, int property, int value) {
    if (UnitControl* control = FindControl(unit)) {
        control->WriteInt(property, value);
    }
}

std::uintptr_t FormWindow::WindowHandle(Unit unit) {
    if (unit == Unit::窗口) {
        return reinterpret_cast<std::uintptr_t>(hwnd_);
    }
    UnitControl* control = FindControl(unit);
    return control ? reinterpret_cast<std::uintptr_t>(control->Handle()) : 0;
}

int FormWindow::AddItem(Unit comboBox, const Text& text) {
    UnitControl* control = FindControl(comboBox);
    return control ? control->AddItem(text) : -1;
}

void FormWindow::SetStatusText(Unit statusBar, int part, const Text& text) {
    if (UnitControl* control = FindControl(statusBar)) {
        control->SetStatusText(part, text);
    }
}

int FormWindow::MessageBox(const Text& message, int style, const Text* title) {
    return ShowMessageBox(message, style, title);
}

void FormWindow::PopupMenu(Unit window, Unit menu) {
    if (window == Unit::窗口) {
        ShowFormPopupMenu(hwnd_, menu);
    }
}

bool PumpOneMessage(HWND mainWindow) {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) || msg.message == WM_QUIT) {
        return false;
    }
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        return false;
    }
    DispatchFormMessage(mainWindow, msg);
    return true;
}

void DispatchFormMessage(HWND mainWindow, MSG& msg) {
    // The form's keyboard navigation (Tab between its tab stops) comes first.
    if (mainWindow == nullptr || !IsDialogMessageA(mainWindow, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

}  // namespace qv
