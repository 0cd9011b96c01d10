#include "ui/popup_menu_win.h"

namespace qv {

// Placeholder until the popup menu is built.
void ShowFormPopupMenu(HWND, Unit, const int*, const int*) {}

}  // namespace qv
