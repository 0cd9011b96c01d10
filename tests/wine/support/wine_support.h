#pragma once
// Helpers for the Win32 tests under Wine: waiting on conditions with a deadline while
// dispatching this thread's messages, never on bare sleeps.
#include <windows.h>
#include <winsock2.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qv::testing {

// Dispatches messages until `condition` holds or `timeoutMs` has passed; true if it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);

// Dispatches messages for `ms` milliseconds (for "nothing happens" checks only).
void PumpFor(DWORD ms);

// Moves the real pointer to (x, y) and waits until it is there; false when the display does
// not let it move within `timeoutMs`.
bool PlaceCursor(int x, int y, DWORD timeoutMs = 2000);

// True when the test environment promises a notification area (QV_TRAY_GUARANTEED=1): a
// test that finds none then fails instead of skipping.
bool TrayGuaranteed();

struct ProgramRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;  // its standard output and error, as written
};

// Runs `commandLine` (in `directory`, or this program's when null) with its output into a
// pipe, read while it runs so that a program it starts cannot block it. nullopt when it could
// not be started or had not ended after `timeoutMs` (it is then ended).
std::optional<ProgramRun> RunCapturingOutput(std::string commandLine, const char* directory,
                                             DWORD timeoutMs);

// The first visible top-level window of `className` in the process (any process for 0).
HWND FindTopLevel(DWORD processId, const char* className);

// A plain top-level window of a class of its own (registered on first use with `proc`), for a
// unit to live on.
HWND MakeHostWindow(const char* className, const char* title = "", WNDPROC proc = DefWindowProcA);

// Destroys `window` when it still exists and dispatches what that left in the queue, but a
// WM_QUIT: the next test starts from an empty queue.
void DestroyAndDrain(HWND window);

// A loopback port the system picked as free just now (bind to port 0), for a server that
// must be told its port; 0 when none could be had.
std::uint16_t FreePort();

// The lines of a text file, without their line ends and trailing blanks (a batch file's echo
// leaves one); none when it cannot be read.
std::vector<std::string> FileLines(const std::string& path);

// The directory of the running test program, without a trailing backslash.
std::string ProgramDirectory();

}  // namespace qv::testing
