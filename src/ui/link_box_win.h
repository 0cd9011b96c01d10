#pragma once
// The hypertext link box (unit type SimpleHtml), made by MakeSimpleHtmlUnit (unit_win.h):
// draws its markup, underlines the link under the mouse and opens a link when it is pressed.
// These accessors let tests read a live box's state.
#include <windows.h>

#include <vector>

#include "ui/link_layout.h"

namespace qv {

// nullptr, kNoLink and nullptr when `box` is not a link box.
const std::vector<LinkRecord>* LinkBoxLinks(HWND box);
int LinkBoxHover(HWND box);
HCURSOR LinkBoxCursor(HWND box);

}  // namespace qv
