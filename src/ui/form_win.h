#pragma once
// The form runtime: loads the main window and its units from the form table, gives the
// logic property access by number, and turns control notifications into unit events.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/ports.h"
#include "base/main_window_win.h"
#include "ui/form_table.h"
#include "ui/unit_win.h"

namespace qv {

// Runs the handler bound to an event; the result is the message result where it has one.
using EventSink = std::function<std::intptr_t(Handler, std::intptr_t, std::intptr_t)>;

// Messages the form leaves alone may be taken by an extension (the scripting link); nullopt
// passes them on to the default procedure.
using MessageHook = std::function<std::optional<LRESULT>(UINT, WPARAM, LPARAM)>;

class FormWindow final : public Units {
  public:
    explicit FormWindow(EventSink sink) : sink_(std::move(sink)) {}
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    // Creates the window (centred) and every unit in form order, shows it as `showCommand`
    // says, then raises the created event. Returns false when the window could not be made.
    bool Load(HINSTANCE instance, int showCommand = SW_SHOWNORMAL);

    HWND MainWindow() const { return hwnd_; }
    UnitControl* FindControl(Unit unit) const;
    UnitControl* FindControl(HWND handle) const;

    // Runs the handler bound to `event` of `unit`.
    std::intptr_t Raise(Unit unit, int event, std::intptr_t a = 0, std::intptr_t b = 0);

    void SetMessageHook(MessageHook hook) { hook_ = std::move(hook); }

    // The form runtime that owns a main window, or nullptr.
    static FormWindow* FromWindow(HWND window);

    // Units.
    Text ReadText(Unit unit, int property) override;
    int ReadInt(Unit unit, int property) override;
    void WriteText(Unit unit, int property, const Text& value) override;
    void WriteInt(Unit unit, int property, int value) override;
    std::uintptr_t WindowHandle(Unit unit) override;
    int AddItem(Unit comboBox, const Text& text) override;
    void SetStatusText(Unit statusBar, int part, const Text& text) override;
    int MessageBox(const Text& message, int style, const Text* title = nullptr) override;
    void PopupMenu(Unit window, Unit menu) override;

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(WORD id, WORD code, HWND control);
    void OnActivate(bool active);
    void OnSetFocus();
    UnitControl* CreateUnit(const UnitRecord& record);

    EventSink sink_;
    MessageHook hook_;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr;
    HWND rememberedFocus_ = nullptr;
    std::vector<std::unique_ptr<UnitControl>> units_;
};

// The framework's message pump for one message; true when one was dispatched.
bool PumpOneMessage(HWND mainWindow);
// Dispatches one message taken from the queue, with the form's keyboard navigation.
void DispatchFormMessage(HWND mainWindow, MSG& msg);

}  // namespace qv
