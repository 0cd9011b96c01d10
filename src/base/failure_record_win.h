#pragma once
// A failure at the system boundary that the user is not shown is still written where a
// developer can read it: a debugger, a debug-output viewer, or Wine's debug channel
// (WINEDEBUG=+debugstr).
#include <windows.h>

namespace qv {

// "Quorvane: <call> failed, error <code>".
void RecordFailure(const char* call, DWORD code);
// "Quorvane: <call> failed: <detail>", for failures that come with their own text (a socket
// library's message, an exception's what()).
void RecordFailure(const char* call, const char* detail);
// "Quorvane: <what>: <detail>", for what the user was shown while nobody may be watching (a
// balloon on a node that runs alone).
void RecordShown(const char* what, const char* detail);

}  // namespace qv
