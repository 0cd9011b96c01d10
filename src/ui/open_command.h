#pragma once
// The registry fallback for opening a link: the ".htm" class's open command, cut before its
// document placeholder, followed by a space and the address.
#include <string_view>

#include "base/text.h"

namespace qv {

// Cuts `openCommand` where "\"%1\"" first occurs, else where "%1" first occurs, else keeps
// it whole, then appends one space and `target`. Matches never start on the second byte of a
// two-byte character.
Text FallbackCommandLine(std::string_view openCommand, std::string_view target);

}  // namespace qv
