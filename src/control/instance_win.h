#pragma once
// The program's one instance. The dial-up line and the hotkey are the machine's, so one
// program runs per machine: it marks itself with a machine-wide name (Global\) and a
// session-wide one (Local\), so that a start or a caller can tell "runs here" (its window
// is on this desktop, or soon will be) from "runs in another session" (unreachable by
// window messages).
#include <windows.h>

namespace qv {

enum class InstancePlace { None, ThisSession, OtherSession };

// Where a program runs, as its marks say.
InstancePlace RunningInstance();

// Marks this process as the program (the marks last until it ends) and gives None;
// otherwise says where the program that holds them runs.
InstancePlace ClaimInstance();

// The program's main window on this desktop, visible or not.
HWND FindMainWindow();

}  // namespace qv
