#pragma once
// Runs the notification command once: hidden, standard handles on NUL, the event in its
// environment, ended after a time limit.
#include <windows.h>

#include <vector>

#include "base/text.h"
#include "notify/notify_message.h"

namespace qv {

struct HookResult {
    enum class Outcome { Finished, CouldNotStart, Killed, Abandoned } outcome = Outcome::Finished;
    DWORD code = 0;  // Finished: the exit code; CouldNotStart: the system's error
};

// Waits for the command, at most `limitMs`, then ends it and everything it started. When
// `stop` is signalled first, returns Abandoned and leaves the command running.
HookResult RunHook(const Text& command, const std::vector<NameValue>& variables, DWORD limitMs,
                   HANDLE stop);

}  // namespace qv
