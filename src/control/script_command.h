#pragma once
// A command that a script asks of the running program, and what it gets back.
#include <cstdint>
#include <optional>
#include <string>
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

    // A status also tells how keeping the line goes and what the proxy pool last got.
    bool watch = false;
    std::uint32_t lastError = 0;  // the last failed dial's code, 0 after a good one
    int retryIn = 0;              // seconds until a pending retry
    std::string pool = "off";     // "off", "ok", "unreachable"
    std::string poolValue;        // the value last published
};

// "status", "dial", "hangup", "redial".
std::string_view VerbName(ScriptVerb verb);
std::optional<ScriptVerb> VerbNamed(std::string_view name);

// The one rule for a command's numbers (its tries, a caller's timeout), whichever way the
// command came: plain decimal digits, within [low, high].
std::optional<int> CommandNumber(std::string_view text, int low, int high);

}  // namespace qv
