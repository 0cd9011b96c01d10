#pragma once
// The program's one instance. The dial-up line and the hotkey are the machine's, so one
// program runs per machine: it marks itself with a machine-wide name (Global\) and a
// session-wide one (Local\), so that a start or a caller can tell "runs here" (its window
// is on this desktop, or soon will be) from "runs in another session" (unreachable by
// window messages).
#include <windows.h>

#include <optional>

namespace qv {

enum class InstancePlace { None, ThisSession, OtherSession };

// Where a program runs, as its marks say.
InstancePlace RunningInstance();

// Marks this process as the program (the marks last until it ends) and gives None;
// otherwise says where the program that holds them runs.
InstancePlace ClaimInstance();

// The program begins to end (on its main thread): a second start from now on waits for the
// end instead of showing a window that is going away. The marks stay until the process ends.
void LetGoOfInstance();

// The program's main window on this desktop, visible or not.
HWND FindMainWindow();

// A start without switches: nullopt when this process is to be the program (its instance is
// then claimed); else the exit code after showing the program that runs (this desktop) or
// saying in a box that it runs in another session. A program still ending (its window gone,
// its marks not yet) is waited for, and this process then starts as the program.
std::optional<int> ClaimOrShowInstance();

}  // namespace qv
