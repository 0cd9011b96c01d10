#include "ui/message_box_result.h"

namespace qv {
namespace {

// The system's values, kept here so that this file stays free of Windows headers.
constexpr int kSystemModal = 0x1000;
constexpr int kTaskModal = 0x2000;
constexpr int kButtonMask = 0x0F;
constexpr int kOkOnly = 0;

}  // namespace

const char* MessageBoxTitle(const Text* title) {
    return title != nullptr && !title->empty() ? title->c_str() : kDefaultMessageBoxTitle;
}

int MessageBoxStyle(int style) {
    return (style & kSystemModal) != 0 ? style : style | kTaskModal;
}

int MessageBoxResult(int pressed, int style) {
    if ((style & kButtonMask) == kOkOnly) {
        return 0;
    }
    // IDOK 1, IDCANCEL 2, IDABORT 3, IDRETRY 4, IDIGNORE 5, IDYES 6, IDNO 7.
    return pressed >= 1 && pressed <= 7 ? pressed - 1 : 0;
}

}  // namespace qv
