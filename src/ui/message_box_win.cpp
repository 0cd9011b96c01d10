#include "ui/message_box_win.h"

#include <windows.h>

#include "ui/message_box_result.h"

namespace qv {

int ShowMessageBox(const Text& message, int style, const Text* title) {
    const char* caption = MessageBoxTitle(title);
    // No owner: with the task-modal flag the box disables this thread's windows instead.
    const int adjusted = MessageBoxStyle(style);
    const int pressed =
        ::MessageBoxA(nullptr, message.c_str(), caption, static_cast<UINT>(adjusted));
    return MessageBoxResult(pressed, adjusted);
}

}  // namespace qv
