#include "control/remote_settings.h"

#include <algorithm>

#include "app/settings.h"

namespace qv {
namespace {

constexpr const char* kNotStarted = "远程控制未启动：";

std::string Trimmed(const Text& text) {
    const auto blank = [](unsigned char c) { return c == ' ' || c == '\t'; };
    auto first = std::find_if_not(text.begin(), text.end(), blank);
    auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

bool PortNumber(const std::string& text, std::uint16_t& port) {
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const long value = std::stol(text);
    if (value < 1 || value > 65535) {
        return false;
    }
    port = static_cast<std::uint16_t>(value);
    return true;
}

// The token travels in an HTTP header: visible ASCII only, no blanks.
bool UsableToken(const std::string& token) {
    return token.size() >= kMinTokenLength && token.size() <= kMaxTokenLength &&
           std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

}  // namespace

RemoteSettings ReadRemoteSettings(Profile& profile) {
    RemoteSettings settings;
    const std::string port = Trimmed(ReadSetting(profile, kKeyRemotePort, kRemoteSection));
    const std::string token = Trimmed(ReadSetting(profile, kKeyRemoteToken, kRemoteSection));
    const std::string address = Trimmed(ReadSetting(profile, kKeyRemoteAddress, kRemoteSection));
    if (port.empty() && token.empty() && address.empty()) {
        return settings;
    }
    settings.state = RemoteSettings::State::Invalid;
    if (!PortNumber(port, settings.port)) {
        settings.problem = Text(kNotStarted) + "端口须为1到65535的数字";
        return settings;
    }
    if (!UsableToken(token)) {
        settings.problem = Text(kNotStarted) + "令牌须为16到256个可见ASCII字符（不含空格）";
        return settings;
    }
    settings.token = token;
    if (!address.empty()) {
        settings.address = address;
    }
    settings.state = RemoteSettings::State::On;
    return settings;
}

Text ListenFailureText(const std::string& address, std::uint16_t port) {
    return Text(kNotStarted) + "无法在" + address + ":" + std::to_string(port) + "上监听";
}

}  // namespace qv
