#include "control/remote_settings.h"

#include <algorithm>

#include "app/settings.h"
#include "base/text.h"
#include "control/protocol.h"

namespace qv {
namespace {

constexpr const char* kNotStarted = "远程控制未启动：";

// The token travels in an HTTP header: visible ASCII only, no blanks.
bool UsableToken(const std::string& token) {
    return token.size() >= kMinTokenLength && token.size() <= kMaxTokenLength &&
           std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7f; });
}

}  // namespace

RemoteSettings ReadRemoteSettings(Profile& profile) {
    RemoteSettings settings;
    const std::string port(TrimSpaces(ReadSetting(profile, kKeyRemotePort, kRemoteSection)));
    const std::string token(TrimSpaces(ReadSetting(profile, kKeyRemoteToken, kRemoteSection)));
    const std::string address(TrimSpaces(ReadSetting(profile, kKeyRemoteAddress, kRemoteSection)));
    if (port.empty() && token.empty() && address.empty()) {
        return settings;
    }
    settings.state = RemoteSettings::State::Invalid;
    const auto portNumber = CommandNumber(port, 1, 65535);
    if (!portNumber) {
        settings.problem = Text(kNotStarted) + "端口须为1到65535的数字";
        return settings;
    }
    if (!UsableToken(token)) {
        settings.problem = Text(kNotStarted) + "令牌须为16到256个可见ASCII字符（不含空格）";
        return settings;
    }
    settings.port = static_cast<std::uint16_t>(*portNumber);
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
