#pragma once
// The inbox woken through the main window: one private message, posted at most once at a time.
#include <windows.h>

#include "base/inbox.h"

namespace qv {

// From the moment the window exists; work posted before then is woken now.
void WakeThroughWindow(Inbox& inbox, HWND window);
// The window's message hook: true when `message` was the inbox's (its closure has run). No
// exception leaves it: it runs inside a window procedure.
bool RunInboxMessage(Inbox& inbox, UINT message);

}  // namespace qv
