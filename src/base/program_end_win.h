#pragma once
#include <windows.h>

namespace qv {

// The routines that end the program: the clean-up of the program's own state, then the
// teardown of the service state. Registered once by the entry.
struct EndRoutines {
    void (*cleanUp)() = nullptr;
    void (*serviceTeardown)() = nullptr;
};
void RegisterEndRoutines(EndRoutines routines);

// Runs the clean-up (exactly once, whichever path gets here first) and the service
// teardown, then ends the process with `exitCode`.
[[noreturn]] void EndProgram(UINT exitCode);

}  // namespace qv
