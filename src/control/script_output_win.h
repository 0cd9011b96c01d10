#pragma once
#include <string>

namespace qv {

// Writes one line (UTF-8) to the standard output when it is a file or a pipe, else to the
// console of the process that started this one, if any. A GUI program has no console of
// its own. False when there was nowhere to write it.
bool WriteOutputLine(const std::string& utf8);

}  // namespace qv
