#include "ui/message_box_win.h"

#include <windows.h>

namespace qv {

int ShowMessageBox(const Text& message, int style, const Text* title) {
    const char* caption = title ? title->c_str() : "信息：";
    if ((style & MB_SYSTEMMODAL) == 0) {
        style |= MB_TASKMODAL;
    }
    const int pressed = ::MessageBoxA(nullptr, message.c_str(), caption, style);
    return pressed == IDCANCEL ? 1 : 0;
}

}  // namespace qv
