#pragma once
// The log of a node that runs alone (its own section of Config.ini): one UTF-8 line per command
// and per line event, in the logfmt style of key=value pairs, so that both a person and grep
// read it. Never the account, the password or a token: none of them reaches these records.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "app/ports.h"
#include "base/text.h"

namespace qv {

struct LogSettings {
    Text path;  // empty: no log
    std::uint64_t maxBytes = 1024 * 1024;
    int keep = 3;  // old files, named path.1 (the newest) to path.keep
};

// A relative file name is taken beside the program; a size or count out of its range keeps
// the default.
LogSettings ReadLogSettings(Profile& profile);

using ToUtf8 = std::function<std::string(const Text&)>;

// Each line ends in "\n"; `time` is the local time with its offset, texts pass through `utf8`.
std::string CommandLogLine(const std::string& time, const CommandRecord& record,
                           const ToUtf8& utf8);
std::string LineEventLogLine(const std::string& time, const LineEvent& event, const ToUtf8& utf8);
// The program started or ends: "start", "stop".
std::string ProgramLogLine(const std::string& time, std::string_view event);

// What the log needs of the file system; false when it could not.
class LogFiles {
  public:
    virtual ~LogFiles() = default;
    // The file's size in bytes, 0 when there is none.
    virtual std::uint64_t Size(const Text& path) = 0;
    // Appends and flushes, creating the file when there is none.
    virtual bool Append(const Text& path, const std::string& bytes) = 0;
    // Replaces `to` if it is there; true when there was nothing to move.
    virtual bool Move(const Text& from, const Text& to) = 0;
};

// Appends line by line; a line that would take the file past its size first moves path.N-1
// to path.N ... path to path.1, the oldest dropped. A line longer than the size is cut to it.
class LogRotation {
  public:
    LogRotation(LogFiles& files, LogSettings settings)
        : files_(files), settings_(std::move(settings)) {}
    bool Write(std::string line);

  private:
    bool Rotate();

    LogFiles& files_;
    const LogSettings settings_;
    std::uint64_t size_ = 0;
    bool sizeKnown_ = false;
};

}  // namespace qv
