#include "notify/event_log.h"

#include <cstdio>

#include "app/keep_line.h"
#include "app/settings.h"
#include "notify/notify_message.h"

namespace qv {
namespace {

constexpr const char* kLogSection = "日志";
constexpr const char* kKeyLogFile = "文件";
constexpr const char* kKeyLogKilobytes = "大小";
constexpr const char* kKeyLogKeep = "个数";
constexpr int kLeastKilobytes = 64;
constexpr int kMostKilobytes = 65536;

bool Absolute(const Text& path) {
    return path.starts_with("\\") || path.starts_with("/") || (path.size() >= 2 && path[1] == ':');
}

// A value in quotes, with quotes, backslashes and line breaks escaped: an entry's name is the
// person's own text.
std::string Quoted(const std::string& value) {
    std::string quoted = "\"";
    for (const char c : value) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '\n' || c == '\r' || c == '\t') {
            quoted += ' ';
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string_view VerbWord(CommandVerb verb) {
    switch (verb) {
        case CommandVerb::Dial:
            return "dial";
        case CommandVerb::HangUp:
            return "hangup";
        case CommandVerb::Redial:
            return "redial";
    }
    return "";
}

std::string_view StatusWord(CommandStatus status) {
    switch (status) {
        case CommandStatus::Done:
            return "done";
        case CommandStatus::Refused:
            return "refused";
        case CommandStatus::Failed:
            return "failed";
        case CommandStatus::GaveWay:
            return "gave_way";
    }
    return "";
}

// The fields that a command and a line event share.
std::string Addresses(const Text& entry, const Text& ip, const Text& previous, std::uint32_t code,
                      const ToUtf8& utf8) {
    const std::string_view kind = code == 0 ? "none" : DialErrorClassName(ClassifyDialError(code));
    return " entry=" + Quoted(utf8(entry)) + " ip=" + Quoted(utf8(ip)) +
           " previous=" + Quoted(utf8(previous)) + " code=" + std::to_string(code) +
           " class=" + std::string(kind);
}

}  // namespace

LogSettings ReadLogSettings(Profile& profile) {
    LogSettings settings;
    const Text file = ReadSetting(profile, kKeyLogFile, kLogSection);
    if (file.empty()) {
        return settings;
    }
    settings.path = Absolute(file) ? file : RunDirectory(profile) + "\\" + file;
    settings.maxBytes =
        static_cast<std::uint64_t>(ReadBoundedSetting(profile, kKeyLogKilobytes, kLogSection,
                                                      kLeastKilobytes, kMostKilobytes, 1024)) *
        1024;
    settings.keep = ReadBoundedSetting(profile, kKeyLogKeep, kLogSection, 1, 9, 3);
    return settings;
}

std::string CommandLogLine(const std::string& time, const CommandRecord& record,
                           const ToUtf8& utf8) {
    const CommandResult& result = record.result;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", record.milliseconds / 1000.0);
    std::string line =
        time + " source=" + std::string(SourceName(record.source)) +
        " event=" + std::string(VerbWord(record.verb)) +
        " result=" + std::string(StatusWord(result.status)) +
        Addresses(record.entry, result.ipAfter, result.ipBefore, result.rasError, utf8) +
        " tries=" + std::to_string(result.dials) + " seconds=" + seconds;
    if (!result.message.empty()) {
        line += " message=" + Quoted(utf8(result.message));
    }
    return line + "\n";
}

std::string LineEventLogLine(const std::string& time, const LineEvent& event, const ToUtf8& utf8) {
    std::string line = time + " source=" + std::string(SourceName(event.source)) +
                       " event=" + EventName(event.kind) +
                       Addresses(event.entry, event.ip, event.previousIp, event.rasError, utf8);
    if (event.kind == LineEventKind::Connected && !event.kept) {
        line += " kept=no";
    }
    return line + "\n";
}

std::string ProgramLogLine(const std::string& time, std::string_view event) {
    return time + " source=startup event=" + std::string(event) + "\n";
}

bool LogRotation::Write(std::string line) {
    if (line.size() > settings_.maxBytes) {
        line.resize(settings_.maxBytes - 1);
        line += '\n';
    }
    if (!sizeKnown_) {
        size_ = files_.Size(settings_.path);
        sizeKnown_ = true;
    }
    if (size_ > 0 && size_ + line.size() > settings_.maxBytes && !Rotate()) {
        sizeKnown_ = false;  // asked again next time: someone may have mended it
        return false;
    }
    if (!files_.Append(settings_.path, line)) {
        sizeKnown_ = false;
        return false;
    }
    size_ += line.size();
    return true;
}

bool LogRotation::Rotate() {
    const auto old = [this](int n) { return settings_.path + "." + std::to_string(n); };
    for (int n = settings_.keep; n > 1; --n) {
        if (!files_.Move(old(n - 1), old(n))) {
            return false;
        }
    }
    if (!files_.Move(settings_.path, old(1))) {
        return false;
    }
    size_ = 0;
    return true;
}

}  // namespace qv
