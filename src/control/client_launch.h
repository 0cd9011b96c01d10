#pragma once
// What a start of Quorvane.exe is for, from its arguments: the window, or a script's call.
// Only switches make a call: a file dropped on the program, "open with" or a shortcut's
// extra path opens the window as a plain start does.
#include <string>
#include <vector>

namespace qv {

enum class LaunchKind { Window, Call };

// Call when any argument is a switch (starts with '/' or '-'); the call's parser then
// refuses what it does not know.
LaunchKind ClassifyArguments(const std::vector<std::string>& arguments);

}  // namespace qv
