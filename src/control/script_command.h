#pragma once
// A command that a script asks of the running program, and what it gets back.
#include <cstdint>
#include <string_view>

#include "base/text.h"

namespace qv {

enum class ScriptVerb : std::uint8_t { Status, Dial, HangUp, Redial };

inline constexpr int kDefaultUntilNewTries = 5;
inline constexpr int kMaxUntilNewTries = 100;

struct ScriptCommand {
    ScriptVerb verb = ScriptVerb::Status;
    bool untilNew = false;  // redial only
    int tries = kDefaultUntilNewTries;

    bool operator==(const ScriptCommand&) const = default;
};

// The answer, in the program's own texts (GBK); the password never appears here.
struct ScriptOutcome {
    ScriptVerb command = ScriptVerb::Status;
    bool ok = false;
    bool connected = false;
    Text ip;
    Text previousIp;
    Text entry;
    bool busy = false;
    Text error;  // empty on success
    std::uint32_t rasError = 0;
    int tries = 0;
    double seconds = 0;
};

// "status", "dial", "hangup", "redial".
std::string_view VerbName(ScriptVerb verb);

}  // namespace qv
