#pragma once
// What a command did, for whoever asked: a person's handler shows a refusal as a box, a script
// turns the whole result into its answer. A command acts alike whoever asked; who asked is
// only passed on, to those who keep records.
#include <cstdint>
#include <string_view>

#include "base/text.h"

namespace qv {

// GaveWay: the command waited (the least gap, a retry, the redial's pause) and found that
// another command had run meanwhile or that the line was up again, so it left the line alone.
enum class CommandStatus : std::uint8_t { Done, Refused, Failed, GaveWay };

struct CommandResult {
    CommandStatus status = CommandStatus::Done;
    // Refused: the box's text. Failed: what went wrong, in the words the balloon used.
    // GaveWay: why the command did not dial.
    Text message;
    std::uint32_t rasError = 0;  // the system's code of the dial that failed, else 0
    int dials = 0;               // dials made, retries included
    Text ipBefore;               // the address the line had before the command
    Text ipAfter;                // the address after it (empty when unknown)
    bool newAddress = false;     // ipAfter is an address and differs from ipBefore
    // The echo page answered, but with something other than an address between its brackets.
    bool answerNotAnAddress = false;
};

// Who asked for a command: a person (a button, the tray menu), the timer, the hotkey, a script
// (the command line, HTTP, Redis), the redial after a drop, or the start-up.
enum class CommandSource : std::uint8_t {
    Person,
    Timer,
    Hotkey,
    CommandLine,
    Http,
    Redis,
    Drop,
    Startup,
};
inline constexpr int kCommandSourceCount = 8;

// "person", "timer", "hotkey", "command_line", "http", "redis", "drop", "startup".
inline std::string_view SourceName(CommandSource source) {
    constexpr std::string_view kNames[kCommandSourceCount] = {
        "person", "timer", "hotkey", "command_line", "http", "redis", "drop", "startup"};
    return kNames[static_cast<int>(source)];
}

enum class CommandVerb : std::uint8_t { Dial, HangUp, Redial };

// A command as it ended, for those who keep records of them.
struct CommandRecord {
    CommandVerb verb = CommandVerb::Dial;
    CommandSource source = CommandSource::Person;
    const CommandResult& result;
    std::uint32_t milliseconds = 0;  // from its start to its end, waits included
    Text entry;                      // the phonebook entry chosen
};

struct DialOptions {
    // A dial nobody clicked for (timer, script, line watch): failures are retried by cause
    // where Config.ini asks for it.
    bool automatic = false;
    CommandSource source = CommandSource::Person;
};

struct HangUpOptions {
    CommandSource source = CommandSource::Person;
};

struct RedialOptions {
    enum class Repeat : std::uint8_t {
        WhileBoxTicked,   // a repeated address redials again while 选择框_IP重复 is ticked
        UntilNewAddress,  // redial until the address differs from the one before, maxTries at most
    };
    Repeat repeat = Repeat::WhileBoxTicked;
    int maxTries = 0;  // with UntilNewAddress: at least 1
    bool automatic = false;
    CommandSource source = CommandSource::Person;
};

}  // namespace qv
