#include "app/assistant.h"

#include "base/number_text.h"

namespace qv {

std::intptr_t Assistant::Raise(Handler handler, std::intptr_t a, std::intptr_t b) {
    switch (handler) {
        case Handler::None:
            break;
        case Handler::InitMainWindow:
            InitMainWindow();
            break;
        case Handler::TrayRemove:
            s_.tray.TrayRemove();
            break;
        case Handler::HangUpCommand:
            ShowRefusal(HangUpCommand());
            break;
        case Handler::DialCommand:
            ShowRefusal(DialCommand());
            break;
        case Handler::RedialCommand:
            RedialCommand();
            break;
        case Handler::SaveSettings:
            SaveSettings();
            break;
        case Handler::ToggleTimedRedial:
            ToggleTimedRedial();
            break;
        case Handler::TimedRedialTick:
            TimedRedialTick();
            break;
        case Handler::ToggleHotkey:
            ToggleHotkey();
            break;
        case Handler::ApplyHotkeyChoice:
            ApplyHotkeyChoice();
            break;
        case Handler::HotkeyFeedback:
            HotkeyFeedback(static_cast<std::int32_t>(a), static_cast<std::int32_t>(b));
            break;
    }
    return 0;
}

void Assistant::ShowRefusal(const CommandResult& result) {
    if (result.status == CommandStatus::Refused) {
        s_.units.MessageBox(result.message, 0);
    }
}

void Assistant::Balloon(const Text& text, IconKind kind) {
    s_.tray.BalloonTip(kBalloonTitle, text, kind, kBalloonMilliseconds, true);
}

Text Assistant::EntryArgument() {
    return "@" + IntToText(s_.units.ReadInt(Unit::组合框_宽带连接, prop::kSelection));
}

}  // namespace qv
