#include "notify/notify_settings.h"

#include <algorithm>

#include "app/settings.h"

namespace qv {
namespace {

constexpr const char* kNotifyNotEnabled = "通知未启用：";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && AsciiLower(text.substr(0, prefix.size())) == prefix;
}

// A problem text, or nullptr when the command is usable. The command line is handed to the
// system exactly as written, so only what it could never run is refused.
const char* CommandProblem(std::string_view command) {
    if (command.size() > kMaxNotifyCommandLength) {
        return "命令过长（至多4096字节）";
    }
    // A quote is below 0x40, so it is never the second byte of a GBK character.
    if (command.front() == '"' && command.find('"', 1) == std::string_view::npos) {
        return "命令的引号不成对";
    }
    return nullptr;
}

const char* UrlProblem(std::string_view url) {
    std::size_t hostAt = 0;
    if (StartsWithNoCase(url, "http://")) {
        hostAt = 7;
    } else if (StartsWithNoCase(url, "https://")) {
        hostAt = 8;
    } else {
        return "网址须以http://或https://开头";
    }
    if (url.size() > kMaxNotifyUrlLength) {
        return "网址过长（至多2048字节）";
    }
    const bool blankOrControl = std::any_of(url.begin(), url.end(), [](char c) {
        return static_cast<unsigned char>(c) <= 0x20 || c == 0x7f;
    });
    if (blankOrControl || hostAt == url.size() || url[hostAt] == '/' || url[hostAt] == ':') {
        return "网址须含主机名且不含空格";
    }
    return nullptr;
}

}  // namespace

NotifySettings ReadNotifySettings(Profile& profile) {
    NotifySettings settings;
    const Text command(TrimSpaces(ReadSetting(profile, kKeyNotifyCommand, kNotifySection)));
    const std::string url(TrimSpaces(ReadSetting(profile, kKeyNotifyUrl, kNotifySection)));
    Text problems;
    const auto note = [&problems](const char* problem) {
        problems += (problems.empty() ? "" : "；") + Text(problem);
    };
    if (!command.empty()) {
        if (const char* problem = CommandProblem(command)) {
            note(problem);
        } else {
            settings.command = command;
        }
    }
    if (!url.empty()) {
        if (const char* problem = UrlProblem(url)) {
            note(problem);
        } else {
            settings.url = url;
        }
    }
    if (!problems.empty()) {
        settings.state = NotifySettings::State::Invalid;
        settings.problem = kNotifyNotEnabled + problems;
    } else if (!settings.command.empty() || !settings.url.empty()) {
        settings.state = NotifySettings::State::On;
    }
    return settings;
}

}  // namespace qv
