#pragma once
#include <windows.h>

#include "ui/form_ids.h"

namespace qv {

// Shows the popup of a form menu for `window` at the cursor + (3, 3), or at the given
// coordinates; the chosen entry reaches the window as its command message.
void ShowFormPopupMenu(HWND window, Unit menu, const int* x = nullptr, const int* y = nullptr);

}  // namespace qv
