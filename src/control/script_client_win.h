#pragma once
// The command line's caller: `Quorvane.exe /redial ...` hands the command to the running
// program (starting it when none runs), prints the JSON answer and ends with its exit code.
// It never creates the main window, the program state or the tray.
#include <optional>

namespace qv {

// The exit code when the program was started with arguments; nullopt for a plain start.
std::optional<int> RunScriptClient();

}  // namespace qv
