#pragma once
// The command line's caller, and the one instance of the program that it reaches.
#include <windows.h>

#include <optional>
#include <string>

namespace qv {

// Writes one line (UTF-8) to the standard output when it is a file or a pipe, else to the
// console of the process that started this one, if any. A GUI program has no console of
// its own. False when there was nowhere to write it.
bool WriteOutputLine(const std::string& utf8);

// What a start of Quorvane.exe does before anything of the program is made. With switches it
// is a script's caller: `Quorvane.exe /redial ...` hands the command to the running program
// (starting it when none runs), prints the JSON answer and ends with its exit code. Without,
// it is the program, unless one already runs on this machine: it is then brought to the
// front (this desktop) or a box says it runs in another session.

// nullopt when this process is to be the program (its instance is then claimed); else the
// exit code of what it did instead.
std::optional<int> RunCallerOrClaimInstance();

}  // namespace qv
