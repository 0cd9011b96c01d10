#pragma once
// The main window's form as data: every unit in form order with its position, parent,
// flags, initial properties and event bindings. The runtime creates the window from it.
#include <cstdint>
#include <optional>
#include <span>

#include "ui/form_ids.h"

namespace qv {

namespace unit_flag {
inline constexpr std::uint32_t kVisible = 1;
inline constexpr std::uint32_t kDisabled = 2;
inline constexpr std::uint32_t kTabStop = 4;
}  // namespace unit_flag

namespace menu_flag {
inline constexpr std::uint32_t kHidden = 1;
inline constexpr std::uint32_t kDisabled = 2;
inline constexpr std::uint32_t kChecked = 4;
}  // namespace menu_flag

enum class TextAlign : std::uint8_t { Left, Center };

struct Binding {
    int event = -1;
    Handler handler = Handler::None;
};

struct UnitRecord {
    Unit id = Unit::None;
    UnitType type = UnitType::Label;
    int left = 0, top = 0, width = 0, height = 0;
    Unit parent = Unit::None;  // the window or a group box; for menu items the menu above
    std::uint32_t flags = 0;   // unit_flag for units, menu_flag for menu items
    int tabOrder = 0;
    const char* caption = "";                 // caption, content or menu caption
    std::span<const char* const> items = {};  // combo box items
    int selection = -1;                       // combo box
    TextAlign align = TextAlign::Left;        // edit box
    // Label text colour, 0x00BBGGRR; none: the system's text colour, as other controls use.
    std::optional<std::uint32_t> textColor = std::nullopt;
    int level = 0;              // menu tree level
    const char* shortcut = "";  // menu item
    Binding bindings[2] = {};
};

// The form, window first, in form (= creation) order.
std::span<const UnitRecord> MainForm();

const UnitRecord* FindUnit(Unit id);

// Menu records are numbered from 20000 in form order; nullopt for a unit that is no menu.
std::optional<int> MenuCommandNumber(Unit id);
const UnitRecord* MenuByCommandNumber(int command);

// The handler bound to an event of a unit, Handler::None when unbound.
Handler BoundHandler(Unit id, int event);

// The unit that takes the focus when the window is activated with none remembered: the
// visible, enabled tab stop with the lowest tab order, the later one in form order on a tie.
Unit DefaultFocusUnit();

// The window's size and its centred position (integer division).
inline constexpr int kMainWindowWidth = 505;
inline constexpr int kMainWindowHeight = 167;
inline int CentredOrigin(int screenExtent, int windowExtent) {
    return (screenExtent - windowExtent) / 2;
}

// Drop-down lists are created at least this tall (the height of the opened list).
inline constexpr int kMinDropDownHeight = 160;

// The selection a combo box ends up with when `value` is written and it holds `count` items.
int ComboSelectionAfterWrite(int value, int count);

}  // namespace qv
