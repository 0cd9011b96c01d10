#include "ui/event_pump_win.h"

namespace qv {

void WinEventPump::ProcessPendingEvents() {
    while (PumpOneMessage(form_.MainWindow())) {
    }
}

std::uint32_t WinEventPump::TickCount() {
    return GetTickCount();
}

void WinEventPump::WaitForEvents(std::uint32_t milliseconds) {
    MsgWaitForMultipleObjectsEx(0, nullptr, milliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

}  // namespace qv
