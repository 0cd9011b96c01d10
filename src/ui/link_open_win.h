#pragma once
// Opening a link's address: the shell's "open" verb, else the ".htm" class's open command from
// the registry. Neither waits for the browser. Also the seams its tests observe.
#include <windows.h>

#include "base/text.h"

namespace qv {

// Stand-ins for the two ways an address is opened, for tests. Both are null in the program,
// which then calls ShellExecuteA and starts the fallback command with CreateProcessA.
struct LinkOpenHooks {
    // Returns what ShellExecuteA would: above 32 on success.
    INT_PTR (*shellOpen)(HWND owner, const char* target) = nullptr;
    // True when the command line was started.
    bool (*startCommand)(const char* commandLine) = nullptr;
};
LinkOpenHooks& TheLinkOpenHooks();

// Opens `target` shown normally; false when both the shell and the fallback failed.
bool OpenLinkTarget(HWND owner, const Text& target);

}  // namespace qv
