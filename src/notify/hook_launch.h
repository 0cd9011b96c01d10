#pragma once
// How the hook is started: its command line (the configured text, never an event's text) and
// its environment block (the program's own, plus the event's variables).
#include <string>
#include <vector>

#include "base/text.h"
#include "notify/notify_message.h"

namespace qv {

struct HookLaunch {
    Text application;  // empty: the system finds the program from the command line
    Text commandLine;
};

// A program ending in .bat or .cmd runs through `comSpec` as
//   "<comSpec>" /d /s /c ""<program>" <arguments>"
// /s makes the command processor strip exactly the outer quotes, so a path with spaces or '&'
// survives; /d skips the AutoRun commands of the registry. Anything else runs as written.
HookLaunch HookCommandLine(const Text& configured, const Text& comSpec);

// The block CreateProcessA takes: `inherited` ("NAME=value" strings) without the names in
// `ours` (compared without regard to case), then `ours`, sorted by name without regard to case
// as the system keeps its own block, each ended by a zero and the whole by another.
std::string EnvironmentBlock(const std::vector<std::string>& inherited,
                             const std::vector<NameValue>& ours);

}  // namespace qv
