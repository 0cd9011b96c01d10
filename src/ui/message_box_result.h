#pragma once
// The message box's style adjustment and the mapping of the pressed button to the form's
// result numbers (OK 0, Cancel 1, Abort 2, Retry 3, Ignore 4, Yes 5, No 6).
#include "base/text.h"

namespace qv {

inline constexpr const char* kDefaultMessageBoxTitle = "信息：";

// The caption shown: the given title, or the default when it is missing or empty (an empty
// text and an absent text are the same value).
const char* MessageBoxTitle(const Text* title);

// Adds the task-modal flag unless the caller asked for a system-modal box.
int MessageBoxStyle(int style);

// The result for the system's button number (IDOK 1 ... IDNO 7); 0 for anything else,
// including 0 for a box that could not be shown. A box whose only button is OK answers 0
// however it was closed.
int MessageBoxResult(int pressed, int style);

}  // namespace qv
