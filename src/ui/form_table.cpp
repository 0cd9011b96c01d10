#include "ui/form_table.h"

namespace qv {
namespace {

using enum Unit;
using unit_flag::kTabStop;
using unit_flag::kVisible;

constexpr std::uint32_t kShown = kVisible;
constexpr std::uint32_t kInput = kVisible | kTabStop;

constexpr const char* kHotkeyItems[] = {"F1", "F2", "F3", "F4"};

#define QV_CAPTION "QuorvaneV1.0 By Telmora_" QV_MAKER_SITE

// clang-format off
constexpr UnitRecord kMainForm[] = {
    {.id = 窗口, .type = UnitType::Window, .left = 50, .top = 50, .width = kMainWindowWidth,
     .height = kMainWindowHeight, .flags = kShown, .caption = QV_CAPTION,
     .bindings = {{event::kCreated, Handler::InitMainWindow},
                  {event::kDestroying, Handler::TrayRemove}}},
    {.id = 简单超文本框1, .type = UnitType::SimpleHtml,
     .left = 290, .top = 100, .width = 211, .height = 16, .parent = 窗口, .flags = kInput},
    {.id = 编辑框_定时间隔, .type = UnitType::EditBox,
     .left = 67, .top = 68, .width = 37, .height = 18, .parent = 分组框2, .flags = kInput,
     .caption = "60", .align = TextAlign::Center},
    {.id = 组合框_热键, .type = UnitType::ComboBox,
     .left = 82, .top = 13, .width = 40, .height = 20, .parent = 分组框2, .flags = kInput,
     .items = kHotkeyItems, .selection = 0,
     .bindings = {{event::kItemChosen, Handler::ApplyHotkeyChoice}}},
    {.id = 选择框_IP重复, .type = UnitType::CheckBox,
     .left = 6, .top = 32, .width = 144, .height = 24, .parent = 分组框2, .flags = kInput,
     .caption = "IP重复继续进行重拔"},
    {.id = 按钮_定时, .type = UnitType::Button,
     .left = 131, .top = 65, .width = 64, .height = 24, .parent = 分组框2, .flags = kInput,
     .caption = "开始定时", .bindings = {{event::kClicked, Handler::ToggleTimedRedial}}},
    {.id = 标签4, .type = UnitType::Label,
     .left = 8, .top = 69, .width = 80, .height = 16, .parent = 分组框2, .flags = kShown,
     .caption = "定时重拔："},
    {.id = 标签3, .type = UnitType::Label,
     .left = 111, .top = 70, .width = 24, .height = 16, .parent = 分组框2, .flags = kShown,
     .caption = "秒"},
    {.id = 选择框_热键, .type = UnitType::CheckBox,
     .left = 6, .top = 11, .width = 82, .height = 24, .parent = 分组框2, .flags = kInput,
     .caption = "热键重拔：", .bindings = {{event::kClicked, Handler::ToggleHotkey}}},
    {.id = 分组框2, .type = UnitType::GroupBox,
     .left = 280, .top = 1, .width = 216, .height = 95, .parent = 窗口, .flags = kShown},
    {.id = 按钮_断线, .type = UnitType::Button,
     .left = 208, .top = 12, .width = 56, .height = 22, .parent = 分组框1, .flags = kInput,
     .caption = "断线", .bindings = {{event::kClicked, Handler::HangUpCommand}}},
    {.id = 按钮_拔号, .type = UnitType::Button,
     .left = 208, .top = 38, .width = 56, .height = 22, .parent = 分组框1, .flags = kInput,
     .caption = "拔号", .bindings = {{event::kClicked, Handler::DialCommand}}},
    {.id = 按钮_重拔, .type = UnitType::Button,
     .left = 208, .top = 65, .width = 56, .height = 22, .parent = 分组框1, .flags = kInput,
     .caption = "重拔", .bindings = {{event::kClicked, Handler::RedialCommand}}},
    {.id = 托盘菜单, .type = UnitType::Menu, .parent = 窗口, .flags = menu_flag::kHidden,
     .caption = "托盘菜单", .level = 0},
    {.id = 托盘菜单_断线, .type = UnitType::Menu, .parent = 托盘菜单, .caption = "断线",
     .level = 1, .bindings = {{event::kClicked, Handler::HangUpCommand}}},
    {.id = 托盘菜单_拔号, .type = UnitType::Menu, .parent = 托盘菜单, .caption = "拔号",
     .level = 1, .bindings = {{event::kClicked, Handler::DialCommand}}},
    {.id = 托盘菜单_重拔, .type = UnitType::Menu, .parent = 托盘菜单, .caption = "重拔",
     .level = 1, .bindings = {{event::kClicked, Handler::RedialCommand}}},
    {.id = 按钮_保存配置, .type = UnitType::Button,
     .left = 148, .top = 13, .width = 56, .height = 22, .parent = 分组框1, .flags = kInput,
     .caption = "保存信息", .bindings = {{event::kClicked, Handler::SaveSettings}}},
    {.id = 编辑框_宽带密码, .type = UnitType::EditBox,
     .left = 41, .top = 68, .width = 100, .height = 18, .parent = 分组框1, .flags = kInput},
    {.id = 标签5, .type = UnitType::Label,
     .left = 7, .top = 69, .width = 32, .height = 16, .parent = 分组框1, .flags = kShown,
     .caption = "密码："},
    {.id = 编辑框_宽带账号, .type = UnitType::EditBox,
     .left = 41, .top = 42, .width = 100, .height = 18, .parent = 分组框1, .flags = kInput},
    {.id = 标签2, .type = UnitType::Label,
     .left = 7, .top = 43, .width = 32, .height = 16, .parent = 分组框1, .flags = kShown,
     .caption = "账号："},
    {.id = 组合框_宽带连接, .type = UnitType::ComboBox,
     .left = 41, .top = 15, .width = 102, .height = 20, .parent = 分组框1, .flags = kInput},
    {.id = 标签1, .type = UnitType::Label,
     .left = 7, .top = 16, .width = 48, .height = 16, .parent = 分组框1, .flags = kShown,
     .caption = "连接："},
    {.id = 分组框1, .type = UnitType::GroupBox,
     .left = 4, .top = 1, .width = 272, .height = 95, .parent = 窗口, .flags = kShown},
    {.id = 状态条1, .type = UnitType::StatusBar, .parent = 窗口,
     .flags = kShown},
    {.id = 时钟1, .type = UnitType::Timer, .parent = 窗口,
     .bindings = {{event::kTick, Handler::TimedRedialTick}}},
    {.id = 标签_热键标签, .type = UnitType::Label,
     .left = 616, .top = 200, .width = 48, .height = 16, .parent = 窗口, .flags = kShown,
     .bindings = {{event::kFeedback, Handler::HotkeyFeedback}}},
    {.id = 标签6, .type = UnitType::Label,
     .left = 3, .top = 46, .width = 205, .height = 16, .parent = 分组框2, .flags = kShown,
     .caption = "_______________________________________________", .textColor = 0x808080},
};
// clang-format on

}  // namespace

std::span<const UnitRecord> MainForm() {
    return kMainForm;
}

const UnitRecord* FindUnit(Unit id) {
    for (const UnitRecord& r : kMainForm) {
        if (r.id == id) {
            return &r;
        }
    }
    return nullptr;
}

std::optional<int> MenuCommandNumber(Unit id) {
    int number = kFirstMenuCommand;
    for (const UnitRecord& r : kMainForm) {
        if (r.type != UnitType::Menu) {
            continue;
        }
        if (r.id == id) {
            return number;
        }
        ++number;
    }
    return std::nullopt;
}

const UnitRecord* MenuByCommandNumber(int command) {
    if (command < kFirstMenuCommand || command > kLastMenuCommand) {
        return nullptr;
    }
    int number = kFirstMenuCommand;
    for (const UnitRecord& r : kMainForm) {
        if (r.type == UnitType::Menu && number++ == command) {
            return &r;
        }
    }
    return nullptr;
}

Handler BoundHandler(Unit id, int event) {
    const UnitRecord* r = FindUnit(id);
    if (r == nullptr) {
        return Handler::None;
    }
    for (const Binding& b : r->bindings) {
        if (b.handler != Handler::None && b.event == event) {
            return b.handler;
        }
    }
    return Handler::None;
}

Unit DefaultFocusUnit() {
    const UnitRecord* best = nullptr;
    for (const UnitRecord& r : kMainForm) {
        const bool candidate = r.type != UnitType::Window && r.type != UnitType::Menu &&
                               (r.flags & unit_flag::kVisible) &&
                               !(r.flags & unit_flag::kDisabled) && (r.flags & kTabStop);
        if (candidate && (best == nullptr || r.tabOrder <= best->tabOrder)) {
            best = &r;
        }
    }
    return best ? best->id : Unit::None;
}

int ComboSelectionAfterWrite(int value, int count) {
    if (value > count - 1) {
        value = count - 1;
    }
    return value < -1 ? -1 : value;
}

}  // namespace qv
