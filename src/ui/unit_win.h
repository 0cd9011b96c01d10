#pragma once
// One live unit of the form: the control made from its record, with property access by
// number and the notifications the form routes to it.
#include <windows.h>

#include <memory>
#include <optional>

#include "base/text.h"
#include "ui/form_table.h"

namespace qv {

class FormWindow;

class UnitControl {
  public:
    UnitControl(FormWindow& form, const UnitRecord& record) : form_(form), record_(record) {}
    virtual ~UnitControl() = default;
    UnitControl(const UnitControl&) = delete;
    UnitControl& operator=(const UnitControl&) = delete;

    // Creates the control as a child of `parent` (the window or a group box).
    virtual bool Create(HWND parent, HFONT font) = 0;

    HWND Handle() const { return hwnd_; }
    const UnitRecord& Record() const { return record_; }

    // Property access by number; nullopt / false for a property the type does not have.
    virtual std::optional<Text> ReadText(int property);
    virtual std::optional<int> ReadInt(int property);
    virtual bool WriteText(int property, const Text& value);
    virtual bool WriteInt(int property, int value);

    virtual int AddItem(const Text&) { return -1; }
    virtual void SetStatusText(int, const Text&) {}

    // WM_COMMAND notification code sent by this control.
    virtual void OnCommand(UINT) {}
    // The main window's client area changed size.
    virtual void OnParentResized() {}

  protected:
    // CreateWindowExA with the record's position, flags and the form's font; records the
    // handle and points the window's user data at this unit.
    HWND CreateControl(HWND parent, DWORD exStyle, const char* className, const char* text,
                       DWORD style, HFONT font, int height);

    FormWindow& form_;
    const UnitRecord& record_;
    HWND hwnd_ = nullptr;
};

// The control for a record, by unit type; nullptr for the window and menu items.
std::unique_ptr<UnitControl> MakeUnitControl(FormWindow& form, const UnitRecord& record);

// Unit types that live in files of their own.
std::unique_ptr<UnitControl> MakeStatusBarUnit(FormWindow& form, const UnitRecord& record);
std::unique_ptr<UnitControl> MakeClockUnit(FormWindow& form, const UnitRecord& record);
std::unique_ptr<UnitControl> MakeSimpleHtmlUnit(FormWindow& form, const UnitRecord& record);

}  // namespace qv
