#include <gtest/gtest.h>

#include "base/ip_address.h"
#include "native/fake_services.h"
#include "pool/pool_keys.h"
#include "pool/pool_settings.h"

namespace qv {
namespace {

using State = PoolSettings::State;

PoolSettings Read(std::initializer_list<std::pair<const char*, const char*>> entries,
                  const Text& computerName = "PC-01") {
    testing::FakeProfile profile;
    for (const auto& [key, value] : entries) {
        profile.values[{kPoolSection, key}] = value;
    }
    return ReadPoolSettings(profile, computerName);
}

TEST(PoolSettings, OffWithoutTheSectionOnWithDefaults) {
    EXPECT_EQ(Read({}).state, State::Off);
    EXPECT_EQ(Read({{kKeyPoolAddress, "  "}}).state, State::Off);

    const PoolSettings on =
        Read({{kKeyPoolAddress, " 10.0.0.5:6379 "}, {kKeyPoolProxyPort, "8080"}});
    ASSERT_EQ(on.state, State::On) << on.problem;
    EXPECT_EQ(on.redisHost, "10.0.0.5");
    EXPECT_EQ(on.redisPort, 6379);
    EXPECT_EQ(on.key, "adsl");
    EXPECT_EQ(on.node, "PC-01");
    EXPECT_EQ(on.proxyPort, 8080);
    EXPECT_EQ(on.ttlSeconds, 300);
    EXPECT_TRUE(on.password.empty());
    EXPECT_TRUE(on.user.empty());

    const PoolSettings full = Read({{kKeyPoolAddress, "[::1]:7000"},
                                    {kKeyPoolPassword, "s3cret"},
                                    {kKeyPoolUser, "pool"},
                                    {kKeyPoolKey, "lines"},
                                    {kKeyPoolNode, "机房-3"},
                                    {kKeyPoolProxyPort, "3128"},
                                    {kKeyPoolTtl, "10"}});
    ASSERT_EQ(full.state, State::On) << full.problem;
    EXPECT_EQ(full.redisHost, "::1");
    EXPECT_EQ(full.redisPort, 7000);
    EXPECT_EQ(full.user, "pool");
    EXPECT_EQ(full.password, "s3cret");
    EXPECT_EQ(full.key, "lines");
    EXPECT_EQ(full.node, "机房-3");
    EXPECT_EQ(full.ttlSeconds, 10);
}

TEST(PoolSettings, AnInvalidSectionSaysWhyInOneLine) {
    const char* const addressProblem = "代理池未启用：地址须为 主机:端口（端口为1到65535的数字）";
    const char* const portProblem = "代理池未启用：端口须为1到65535的数字";
    const char* const ttlProblem = "代理池未启用：存活秒数须为10到86400的数字";
    const struct {
        const char* address;
        const char* proxyPort;
        const char* ttl;
        const char* user;
        const char* password;
        const char* problem;  // nullptr: valid
    } rows[] = {
        {"redis.lan:6379", "8080", "", "", "", nullptr},
        {"redis-1.example.net:1", "65535", "86400", "", "", nullptr},
        {"", "8080", "", "", "", addressProblem},
        {"10.0.0.5", "8080", "", "", "", addressProblem},
        {"10.0.0.5:", "8080", "", "", "", addressProblem},
        {"10.0.0.5:0", "8080", "", "", "", addressProblem},
        {"10.0.0.5:65536", "8080", "", "", "", addressProblem},
        {"10.0.0.5: 6379", "8080", "", "", "", addressProblem},
        {"10.0.0.256:6379", "8080", "", "", "", addressProblem},
        {"10.0.0:6379", "8080", "", "", "", addressProblem},
        {"1.2.3.4.5:6379", "8080", "", "", "", addressProblem},
        {"::1:6379", "8080", "", "", "", addressProblem},  // IPv6 needs brackets
        {"[1::2::3]:6379", "8080", "", "", "", addressProblem},
        {"[10.0.0.5]:6379", "8080", "", "", "", addressProblem},
        {"-bad.host:6379", "8080", "", "", "", addressProblem},
        {"bad_host:6379", "8080", "", "", "", addressProblem},
        {"主机:6379", "8080", "", "", "", addressProblem},
        {"10.0.0.5:6379", "", "", "", "", portProblem},
        {"10.0.0.5:6379", "0", "", "", "", portProblem},
        {"10.0.0.5:6379", "70000", "", "", "", portProblem},
        {"10.0.0.5:6379", "80a", "", "", "", portProblem},
        {"10.0.0.5:6379", "8080", "9", "", "", ttlProblem},
        {"10.0.0.5:6379", "8080", "86401", "", "", ttlProblem},
        {"10.0.0.5:6379", "8080", "5分钟", "", "", ttlProblem},
        {"10.0.0.5:6379", "8080", "", "pool", "", "代理池未启用：设置了用户就须设置密码"},
        {"10.0.0.5:6379", "8080", "", "", "only-password", nullptr},
    };
    for (const auto& row : rows) {
        const PoolSettings settings = Read({{kKeyPoolAddress, row.address},
                                            {kKeyPoolProxyPort, row.proxyPort},
                                            {kKeyPoolTtl, row.ttl},
                                            {kKeyPoolUser, row.user},
                                            {kKeyPoolPassword, row.password}});
        if (row.problem == nullptr) {
            EXPECT_EQ(settings.state, State::On) << row.address << " " << settings.problem;
        } else {
            EXPECT_EQ(settings.state, State::Invalid) << row.address;
            EXPECT_EQ(settings.problem, row.problem) << row.address;
        }
    }
    // No node name anywhere: the computer's name is missing and none is set.
    const PoolSettings nameless =
        Read({{kKeyPoolAddress, "10.0.0.5:6379"}, {kKeyPoolProxyPort, "8080"}}, "");
    EXPECT_EQ(nameless.state, State::Invalid);
    EXPECT_EQ(nameless.problem, "代理池未启用：节点须为1到256字节的文字");
}

// Only what a consumer could reach is handed out: an echo page showing a private, loopback or
// documentation address publishes nothing, unless a test network's ranges allow it.
TEST(PoolAddress, IsAGlobalUnicastOrAllowedIpWithTheProxysPort) {
    PoolSettings settings;
    settings.proxyPort = 8080;
    const struct {
        const char* ip;
        const char* published;
    } rows[] = {
        {"61.140.7.9", "61.140.7.9:8080"},
        {"2408:8207:1::7", "[2408:8207:1::7]:8080"},
        {"::ffff:61.140.7.9", "[::ffff:61.140.7.9]:8080"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(PoolAddress(settings, row.ip), row.published) << row.ip;
    }
    // clang-format off
    for (const char* ip : {"10.9.8.7", "172.31.0.1", "192.168.1.1", "127.0.0.1", "169.254.3.4",
                           "100.64.0.1", "0.0.0.0", "203.0.113.12", "198.51.100.23", "224.0.0.1",
                           "255.255.255.255", "::1", "::", "fe80::1", "fd00::1", "2001:db8::7",
                           "::ffff:10.0.0.1", "", "61.140.7", "61.140.7.9:80", "<b>1.2.3.4</b>",
                           "1:2:3:4:5:6:7:8:9", "2001:db8:::7", ":1::", "1:"}) {
        EXPECT_EQ(PoolAddress(settings, ip), std::nullopt) << "published: " << ip;
    }
    // clang-format on
    EXPECT_TRUE(IsIpv6Literal("1:2:3:4:5:6:7:8"));
    EXPECT_TRUE(IsIpv6Literal("::"));

    const PoolSettings allowing =
        Read({{kKeyPoolAddress, "127.0.0.1:6379"},
              {kKeyPoolProxyPort, "3128"},
              {kKeyPoolAllowedRanges, " 203.0.113.0/24, ,2001:db8::/32"}});
    ASSERT_EQ(allowing.state, State::On) << allowing.problem;
    EXPECT_EQ(PoolAddress(allowing, "203.0.113.12"), "203.0.113.12:3128");
    EXPECT_EQ(PoolAddress(allowing, "2001:db8::7"), "[2001:db8::7]:3128");
    EXPECT_EQ(PoolAddress(allowing, "203.0.114.1"), "203.0.114.1:3128");
    EXPECT_EQ(PoolAddress(allowing, "10.9.8.7"), std::nullopt);
    for (const char* bad : {"203.0.113.0/33", "203.0.113.0/", "not-a-range", "10.0.0.0/8;"}) {
        const PoolSettings refused = Read({{kKeyPoolAddress, "127.0.0.1:6379"},
                                           {kKeyPoolProxyPort, "3128"},
                                           {kKeyPoolAllowedRanges, bad}});
        EXPECT_EQ(refused.problem, "代理池未启用：允许网段须为以逗号分隔的网段，如 203.0.113.0/24")
            << bad;
    }
}

}  // namespace
}  // namespace qv
