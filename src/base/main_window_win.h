#pragma once
// The main window's name and its private numbers, in one place: the form, the scripting link,
// the line's wiring and the caller all meet on this window, and a number used twice would
// deliver one party's message to another.
#include <windows.h>

namespace qv {

inline constexpr const char* kMainWindowClassName = "QuorvaneMainWindow";

// The form's own: a combo box's item was chosen (wParam: the unit's id).
inline constexpr UINT kItemChosenMessage = WM_APP + 1;
// The inbox: work handed to the window's thread by a thread of ours (base/window_inbox_win.h).
inline constexpr UINT kInboxMessage = WM_APP + 2;

// The scripting link's timer that runs the next scripted command: WM_TIMER comes after input
// and paint, so the window answers a person between commands.
inline constexpr UINT_PTR kRunScriptsTimerId = 0x5156;

}  // namespace qv
