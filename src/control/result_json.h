#pragma once
// The one-line JSON answer that the command line prints and the HTTP control sends.
#include <string>

#include "control/script_command.h"
#include "control/text_codec.h"

namespace qv {

// One object on one line, UTF-8, no line break at the end.
std::string ResultJson(const ScriptOutcome& outcome, const TextCodec& codec);

}  // namespace qv
