#pragma once
#include "base/text.h"

namespace qv {

// The system message box without owner; "信息：" when the title is missing or empty; the
// result as the form's button number (OK 0, Cancel 1, ...).
int ShowMessageBox(const Text& message, int style, const Text* title);

}  // namespace qv
