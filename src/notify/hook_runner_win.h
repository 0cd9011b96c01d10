#pragma once
// Runs the notification command once: hidden, standard handles on NUL, the event in its
// environment, ended after a time limit.
#include <windows.h>

#include <vector>

#include "base/text.h"
#include "notify/notify_message.h"

namespace qv {

struct HookResult {
    // Unwatched: started, but the system gave nothing to wait on or end (under Wine, a Linux
    // program runs outside Wine's processes); it runs on its own, without the time limit.
    enum class Outcome { Finished, CouldNotStart, Killed, Abandoned, Unwatched };
    Outcome outcome = Outcome::Finished;
    DWORD code = 0;  // Finished: the exit code; CouldNotStart: the system's error
};

// Waits for the command, at most `limitMs`, then ends it and everything it started. When
// `stop` is signalled first, returns Abandoned and leaves the command running.
HookResult RunHook(const Text& command, const std::vector<NameValue>& variables, DWORD limitMs,
                   HANDLE stop);

}  // namespace qv
