#include "pool/pool_settings.h"

#include "pool/pool_keys.h"

#include <algorithm>

#include "app/settings.h"
#include "base/ip_address.h"
#include "base/number_text.h"

namespace qv {
namespace {

constexpr const char* kPoolNotEnabled = "代理池未启用：";
constexpr int kMaxRotating = 10000;
constexpr int kIpv6SeenPrefix = 64;

// "host:port" or "[v6]:port"; a bare IPv6 address would leave the port ambiguous.
bool SplitAddress(std::string_view text, std::string& host, std::uint16_t& port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    std::string_view name = text.substr(0, colon);
    const auto number = BoundedDecimal(text.substr(colon + 1), 1, 65535);
    if (!number || !IsAsciiDigit(text[colon + 1]) || !IsAsciiDigit(text.back())) {
        return false;
    }
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']') {
        name = name.substr(1, name.size() - 2);
        if (!IsIpv6Literal(name)) {
            return false;
        }
    } else if (!IsIpv4Literal(name) && !IsHostName(name)) {
        return false;
    }
    host = name;
    port = static_cast<std::uint16_t>(*number);
    return true;
}

// Keys and values travel as bulk strings, so any bytes would do; control characters are
// refused because they are surely a mistake in the file and would show badly in the pool.
bool UsableName(std::string_view text) {
    return !text.empty() && text.size() <= kMaxPoolNameLength &&
           std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// Ranges separated by ","; empty ones are left out.
std::optional<std::vector<IpRange>> ParseRanges(std::string_view text) {
    std::vector<IpRange> ranges;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = TrimSpaces(text.substr(0, comma));
        if (!item.empty()) {
            const auto range = ParseIpRange(item);
            if (!range) {
                return std::nullopt;
            }
            ranges.push_back(*range);
        }
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    return ranges;
}

std::string Setting(Profile& profile, const char* key) {
    return std::string(TrimSpaces(ReadSetting(profile, key, kPoolSection)));
}

}  // namespace

PoolSettings ReadPoolSettings(Profile& profile, const Text& computerName) {
    PoolSettings settings;
    const std::string address = Setting(profile, kKeyPoolAddress);
    const std::string password = Setting(profile, kKeyPoolPassword);
    const std::string user = Setting(profile, kKeyPoolUser);
    const std::string key = Setting(profile, kKeyPoolKey);
    const std::string node = Setting(profile, kKeyPoolNode);
    const std::string proxyPort = Setting(profile, kKeyPoolProxyPort);
    const std::string ttl = Setting(profile, kKeyPoolTtl);
    const std::string ranges = Setting(profile, kKeyPoolAllowedRanges);
    if (address.empty() && password.empty() && user.empty() && key.empty() && node.empty() &&
        proxyPort.empty() && ttl.empty() && ranges.empty()) {
        return settings;
    }
    settings.state = PoolSettings::State::Invalid;
    const auto refuse = [&settings](const char* why) {
        settings.problem = Text(kPoolNotEnabled) + why;
        return settings;
    };
    if (!SplitAddress(address, settings.redisHost, settings.redisPort)) {
        return refuse("地址须为 主机:端口（端口为1到65535的数字）");
    }
    if (!user.empty() && password.empty()) {
        return refuse("设置了用户就须设置密码");
    }
    settings.user = user;
    settings.password = password;
    if (!key.empty()) {
        settings.key = key;
    }
    if (!UsableName(settings.key)) {
        return refuse("键须为1到256字节的文字");
    }
    settings.node = node.empty() ? std::string(TrimSpaces(computerName)) : node;
    if (!UsableName(settings.node)) {
        return refuse("节点须为1到256字节的文字");
    }
    const auto port = BoundedDecimal(proxyPort, 1, 65535);
    if (!port) {
        return refuse("端口须为1到65535的数字");
    }
    settings.proxyPort = static_cast<std::uint16_t>(*port);
    if (!ttl.empty()) {
        const auto seconds = BoundedDecimal(ttl, kMinPoolTtlSeconds, kMaxPoolTtlSeconds);
        if (!seconds) {
            return refuse("存活秒数须为10到86400的数字");
        }
        settings.ttlSeconds = static_cast<int>(*seconds);
    }
    if (auto allowed = ParseRanges(ranges)) {
        settings.allowedRanges = std::move(*allowed);
    } else {
        return refuse("允许网段须为以逗号分隔的网段，如 203.0.113.0/24");
    }
    const auto bounded = [&profile](const char* key, int low, int high, int fallback) {
        return ReadBoundedSetting(profile, key, kPoolSection, low, high, fallback);
    };
    settings.check = bounded(kKeyPoolCheck, 0, 1, 0) == 1;
    settings.checkUrl = Setting(profile, kKeyPoolCheckUrl);
    settings.rotating = bounded(kKeyPoolRotating, 0, kMaxRotating, 0);
    settings.seenMinutes = bounded(kKeyPoolSeenMinutes, 0, 1440, 0);
    settings.seenPrefix = bounded(kKeyPoolSeenPrefix, 8, 32, 32);
    settings.commands = bounded(kKeyPoolCommands, 0, 1, 0) == 1;
    settings.state = PoolSettings::State::On;
    return settings;
}

std::optional<std::string> PoolAddress(const PoolSettings& settings, std::string_view ip) {
    const std::optional<IpBytes> address = ParseIpAddress(ip);
    if (!address ||
        (!IsGlobalUnicast(*address) &&
         std::none_of(settings.allowedRanges.begin(), settings.allowedRanges.end(),
                      [&](const IpRange& range) { return range.Contains(*address); }))) {
        return std::nullopt;
    }
    const std::string port = ":" + std::to_string(settings.proxyPort);
    return address->v6 ? "[" + std::string(ip) + "]" + port : std::string(ip) + port;
}

std::optional<std::string> SeenMember(const PoolSettings& settings, std::string_view ip) {
    const std::optional<IpBytes> address = ParseIpAddress(ip);
    if (!address) {
        return std::nullopt;
    }
    const int prefix = address->v6 ? kIpv6SeenPrefix : settings.seenPrefix;
    if (!address->v6 && prefix >= 32) {
        return std::string(ip);
    }
    return FormatIpAddress(MaskedTo(*address, prefix)) + "/" + std::to_string(prefix);
}

}  // namespace qv
