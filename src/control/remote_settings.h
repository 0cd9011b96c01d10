#pragma once
// The local HTTP control's settings: section 远程控制 of Config.ini, read at start-up and
// never written. Without the section the control stays off and nothing listens.
#include <cstdint>
#include <string>

#include "app/ports.h"
#include "base/text.h"

namespace qv {

inline constexpr const char* kRemoteSection = "远程控制";
inline constexpr const char* kKeyRemotePort = "端口";
inline constexpr const char* kKeyRemoteToken = "令牌";
inline constexpr const char* kKeyRemoteAddress = "监听地址";
inline constexpr const char* kDefaultRemoteAddress = "127.0.0.1";
inline constexpr std::size_t kMinTokenLength = 16;
inline constexpr std::size_t kMaxTokenLength = 256;

struct RemoteSettings {
    enum class State { Off, On, Invalid } state = State::Off;
    std::uint16_t port = 0;
    std::string token;
    std::string address = kDefaultRemoteAddress;
    Text problem;  // Invalid: the balloon's text, saying why
};

RemoteSettings ReadRemoteSettings(Profile& profile);

// The balloon for a listener that could not be opened on a valid configuration.
Text ListenFailureText(const std::string& address, std::uint16_t port);

}  // namespace qv
