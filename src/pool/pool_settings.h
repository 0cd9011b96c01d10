#pragma once
// The proxy pool's settings: section 代理池 of Config.ini, read at start-up and never
// written. Without the section nothing is published and no connection is made.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ports.h"
#include "base/ip_address.h"
#include "base/text.h"

namespace qv {

inline constexpr const char* kDefaultPoolKey = "adsl";
inline constexpr int kDefaultPoolTtlSeconds = 300;
inline constexpr int kMinPoolTtlSeconds = 10;
inline constexpr int kMaxPoolTtlSeconds = 86400;
inline constexpr std::size_t kMaxPoolNameLength = 256;

struct PoolSettings {
    enum class State { Off, On, Invalid } state = State::Off;
    std::string redisHost;  // an IPv4 or IPv6 literal (without brackets) or a host name
    std::uint16_t redisPort = 0;
    std::string user;      // empty: AUTH with the password alone
    std::string password;  // empty: no AUTH
    std::string key = kDefaultPoolKey;
    std::string node;
    std::uint16_t proxyPort = 0;
    int ttlSeconds = kDefaultPoolTtlSeconds;
    // Published besides global unicast addresses (a test network's own ranges).
    std::vector<IpRange> allowedRanges;
    // A fleet's node (each a value out of its range, or none, keeps the default):
    bool check = false;     // publish only once the address is seen through the own proxy
    std::string checkUrl;   // with check: must answer below 400 through the proxy too
    int rotating = 0;       // nodes of the key between withdraw and publish at once; 0 any
    int seenMinutes = 0;    // addresses any node had this long ago count as repeated
    int seenPrefix = 32;    // IPv4: the network remembered; IPv6 always /64
    bool commands = false;  // take commands from <key>:cmd:<node> and answer in <key>:reply:<id>
    Text problem;           // Invalid: the balloon's text, saying why
};

// `computerName` is the node's name when the section names none.
PoolSettings ReadPoolSettings(Profile& profile, const Text& computerName);

// The value published for this node: "ip:port" with the proxy's port ("[ip]:port" for IPv6);
// nullopt when `ip` is no address literal, or one no consumer could reach (a private,
// loopback or documentation address an echo page showed) outside the allowed ranges.
std::optional<std::string> PoolAddress(const PoolSettings& settings, std::string_view ip);

// What the fleet remembers of an address: the address, or its network ("a.b.c.0/24", an IPv6
// address's /64); nullopt for no address literal.
std::optional<std::string> SeenMember(const PoolSettings& settings, std::string_view ip);

}  // namespace qv
