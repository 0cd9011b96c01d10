#pragma once
// What a start of Quorvane.exe does before anything of the program is made. With switches it
// is a script's caller: `Quorvane.exe /redial ...` hands the command to the running program
// (starting it when none runs), prints the JSON answer and ends with its exit code. Without,
// it is the program, unless one already runs on this machine: it is then brought to the
// front (this desktop) or a box says it runs in another session.
#include <optional>

namespace qv {

// nullopt when this process is to be the program (its instance is then claimed); else the
// exit code of what it did instead.
std::optional<int> RunCallerOrClaimInstance();

}  // namespace qv
