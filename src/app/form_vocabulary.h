#pragma once
// The form's vocabulary as the assistant's logic uses it: the main window's units, their
// events, properties and bound handlers, and the hotkey feedback message that raises the
// feedback label's event. The form runtime (ui/) and the desktop adapters build on it.
#include <cstdint>

namespace qv {

enum class Unit : int {
    None = 0,
    窗口 = 1,  // the main window
    简单超文本框1,
    编辑框_定时间隔,
    组合框_热键,
    选择框_IP重复,
    按钮_定时,
    标签4,
    标签3,
    选择框_热键,
    分组框2,
    按钮_断线,
    按钮_拔号,
    按钮_重拔,
    托盘菜单,
    托盘菜单_断线,
    托盘菜单_拔号,
    托盘菜单_重拔,
    按钮_保存配置,
    编辑框_宽带密码,
    标签5,
    编辑框_宽带账号,
    标签2,
    组合框_宽带连接,
    标签1,
    分组框1,
    状态条1,
    时钟1,
    标签_热键标签,
    标签6,
};

enum class UnitType : std::uint8_t {
    Window,
    Menu,
    EditBox,
    GroupBox,
    Label,
    Button,
    CheckBox,
    ComboBox,
    Timer,
    StatusBar,
    SimpleHtml,
};

// Property numbers the logic uses (0..7 are common to all unit types).
namespace prop {
inline constexpr int kDisabled = 6;
inline constexpr int kContent = 8;     // EditBox text, Timer period
inline constexpr int kCaption = 10;    // Button caption
inline constexpr int kChecked = 18;    // CheckBox
inline constexpr int kSelection = 19;  // ComboBox, -1 for none
}  // namespace prop

// Event numbers.
namespace event {
inline constexpr int kCreated = 0;     // window
inline constexpr int kDestroying = 2;  // window, during WM_DESTROY
inline constexpr int kClicked = 0;     // button, check box, menu item
inline constexpr int kItemChosen = 0;  // combo box, user choice only
inline constexpr int kTick = 0;        // clock
inline constexpr int kFeedback = 0;    // label, on HotkeyFeedbackMessage
}  // namespace event

// The behaviours a unit event can be bound to.
enum class Handler : std::uint8_t {
    None,
    InitMainWindow,
    TrayRemove,
    HangUpCommand,
    DialCommand,
    RedialCommand,
    SaveSettings,
    ToggleTimedRedial,
    TimedRedialTick,
    ToggleHotkey,
    ApplyHotkeyChoice,
    HotkeyFeedback,
};

// The label's feedback event is raised by this window message (the hotkey service sends it).
inline constexpr std::uint32_t kHotkeyFeedbackMessage = 0x8075;

// The tray's tooltip: the maker's name, its web address in parentheses, the program.
inline constexpr const char* kTrayTipText = "Telmora(" QV_MAKER_SITE ")QuorvaneV1.0";

}  // namespace qv
