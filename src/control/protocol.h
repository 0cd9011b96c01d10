#pragma once
// What scripts say to the program and what they get back: the verbs and their one
// validator, the command line's words, the JSON answer.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

namespace qv {

// The program's texts are GBK; what scripts read is UTF-8. The conversion is the system's
// (Win32 in the program, iconv in the native tests), reached through this port.

class TextCodec {
  public:
    virtual ~TextCodec() = default;
    // Bytes that are not valid GBK come out as U+FFFD, never as invalid UTF-8.
    virtual std::string GbkToUtf8(const Text& text) const = 0;
};

// A command that a script asks of the running program, and what it gets back.

// History: the addresses the line had lately, answered at once like a status.
enum class ScriptVerb : std::uint8_t { Status, Dial, HangUp, Redial, History };

// One address the line had: when it came and when it went (0 while the line keeps it), in
// seconds since 1970.
struct HistoryEntry {
    Text ip;
    std::int64_t came = 0;
    std::int64_t went = 0;
    bool operator==(const HistoryEntry&) const = default;
};

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
    std::uint32_t lastError = 0;        // the last failed dial's code, 0 after a good one
    int retryIn = 0;                    // seconds until a pending retry
    std::string pool = "off";           // "off", "ok", "unreachable", "unverified"
    std::string poolValue;              // the value last published
    std::string waiting;                // "", "slot" (a fleet's rotation slot), "drain"
    std::vector<HistoryEntry> history;  // history only: newest first
};

// "status", "dial", "hangup", "redial", "history".
std::string_view VerbName(ScriptVerb verb);
std::optional<ScriptVerb> VerbNamed(std::string_view name);

// The one rule for a command's numbers (its tries, a caller's timeout), whichever way the
// command came: plain decimal digits, within [low, high].
std::optional<int> CommandNumber(std::string_view text, int low, int high);

// The command line of a script's call: `/status`, `/dial`, `/hangup`, `/redial`, with
// `/until-new`, `/tries N` (redial) and `/timeout S`; "--" and "-" forms are taken too.

inline constexpr int kDefaultTimeoutSeconds = 300;
inline constexpr int kMaxTimeoutSeconds = 86400;

struct ClientArgs {
    ScriptCommand command;
    int timeoutSeconds = kDefaultTimeoutSeconds;
};

struct ParsedArgs {
    std::optional<ClientArgs> args;
    std::string error;  // why the arguments are not a call, when `args` is empty
};

ParsedArgs ParseClientArgs(const std::vector<std::string>& arguments);

// The arguments that hand `command` to the running program (no /timeout: the caller's own).
std::vector<std::string> CommandArguments(const ScriptCommand& command);

extern const char* const kClientUsage;

// `/autostart on|off|status`: starting with Windows, handled by the start that was asked,
// never handed to the running program.
enum class AutostartAction { On, Off, Status };
struct AutostartRequest {
    std::optional<AutostartAction> action;
    std::string error;  // a usage error, when `action` is empty
};
// nullopt when the arguments do not ask for /autostart.
std::optional<AutostartRequest> ParseAutostartArgs(const std::vector<std::string>& arguments);
// {"ok":true,"autostart":<enabled>,"path":"<exe>"}, or {"ok":false,"error":...} with one.
std::string AutostartJson(bool enabled, const std::string& pathUtf8, const std::string& error = "");

// What a start of Quorvane.exe is for, from its arguments: the window, or a script's call.
// Only switches make a call: a file dropped on the program, "open with" or a shortcut's
// extra path opens the window as a plain start does.

enum class LaunchKind { Window, Call };

// Call when any argument is a switch (starts with '/' or '-'); the call's parser then
// refuses what it does not know.
LaunchKind ClassifyArguments(const std::vector<std::string>& arguments);

// Whether a command line, as the system hands it over, holds anything after the program's
// name. The name is split off as the system's parser does: up to the closing quote when it
// starts with one, else up to the first space or tab, with no escapes; blanks after it do
// not count.
bool CommandLineHasArguments(std::wstring_view commandLine);

// The one-line JSON answer that the command line prints and the HTTP control sends.

// One object on one line, UTF-8, no line break at the end.
std::string ResultJson(const ScriptOutcome& outcome, const TextCodec& codec);

}  // namespace qv
