// The HTTP control's gate: the token check, the routing of requests to commands, and the
// settings that switch it on.
#include <gtest/gtest.h>

#include "app/settings.h"
#include "control/http_control.h"
#include "control/remote_settings.h"
#include "native/fake_services.h"

namespace qv {
namespace {

constexpr const char* kToken = "0123456789abcdefXYZ";

TEST(HttpControlTest, OnlyTheExactBearerTokenPasses) {
    struct Row {
        const char* authorization;
        bool passes;
    };
    const Row rows[] = {
        {"Bearer 0123456789abcdefXYZ", true},
        {"bearer 0123456789abcdefXYZ", true},
        {"  BEARER \t0123456789abcdefXYZ  ", true},
        {"", false},
        {"Bearer", false},
        {"Bearer ", false},
        {"Bearer0123456789abcdefXYZ", false},
        {"Basic 0123456789abcdefXYZ", false},
        {"Bearer 0123456789abcdefXY", false},    // a prefix
        {"Bearer 0123456789abcdefXYZZ", false},  // longer
        {"Bearer 0123456789abcdefXYz", false},   // case of the token matters
        {"Bearer 0123456789abcdef", false},
        {"Bearer 0123456789abcdefXYZ0123456789abcdefXYZ", false},  // the token twice
    };
    for (const Row& row : rows) {
        EXPECT_EQ(BearerMatches(row.authorization, kToken), row.passes) << row.authorization;
    }
    EXPECT_FALSE(SameSecret("", ""));
    EXPECT_FALSE(BearerMatches("Bearer ", ""));
}

TEST(HttpControlTest, RequestsRouteToCommandsOrErrorStatuses) {
    const std::string auth = std::string("Bearer ") + kToken;
    struct Row {
        const char* method;
        const char* target;
        bool authorized;
        int status;
        ScriptCommand command;
    };
    const Row rows[] = {
        {"GET", "/status", true, 200, {ScriptVerb::Status}},
        {"POST", "/dial", true, 200, {ScriptVerb::Dial}},
        {"POST", "/hangup", true, 200, {ScriptVerb::HangUp}},
        {"POST", "/redial", true, 200, {ScriptVerb::Redial}},
        {"POST", "/redial?until_new=1", true, 200, {ScriptVerb::Redial, true, 5}},
        {"POST", "/redial?tries=7&until_new=1", true, 200, {ScriptVerb::Redial, true, 7}},
        {"POST", "/redial?until_new=0", true, 200, {ScriptVerb::Redial}},
        {"GET", "/status", false, 401, {}},
        {"GET", "/nowhere", false, 401, {}},
        {"GET", "/nowhere", true, 404, {}},
        {"GET", "/status/", true, 404, {}},
        {"GET", "/STATUS", true, 404, {}},
        {"POST", "/status", true, 405, {}},
        {"GET", "/dial", true, 405, {}},
        {"DELETE", "/hangup", true, 405, {}},
        {"POST", "/redial?until_new=2", true, 400, {}},
        {"POST", "/redial?tries=3", true, 400, {}},
        {"POST", "/redial?until_new=1&tries=0", true, 400, {}},
        {"POST", "/redial?until_new=1&tries=101", true, 400, {}},
        {"POST", "/redial?until_new=1&until_new=1", true, 400, {}},
        {"POST", "/redial?until_new", true, 400, {}},
        {"POST", "/redial?x=1", true, 400, {}},
        {"POST", "/dial?now=1", true, 400, {}},
        {"POST", "/dial?async=1", true, 200, {ScriptVerb::Dial}},
        {"POST", "/redial?async=1&until_new=1&tries=2", true, 200, {ScriptVerb::Redial, true, 2}},
        {"POST", "/hangup?async=1&async=0", true, 400, {}},
        {"POST", "/hangup?until_new=1", true, 400, {}},
        {"GET", "/status?async=1", true, 400, {}},
        {"GET", "/result?id=", true, 400, {}},
        {"GET", "/result?id=a/b", true, 400, {}},
        {"GET", "/metrics?x=1", true, 400, {}},
        {"POST", "/metrics", true, 405, {}},
    };
    for (const Row& row : rows) {
        const RouteDecision decision =
            RouteRequest(row.method, row.target, row.authorized ? auth : "", kToken);
        EXPECT_EQ(decision.status, row.status) << row.method << " " << row.target;
        EXPECT_EQ(decision.command.has_value(), row.status == 200);
        if (decision.command) {
            EXPECT_EQ(*decision.command, row.command) << row.target;
            EXPECT_EQ(decision.async, std::string(row.target).find("async=1") != std::string::npos);
        }
    }
    const RouteDecision metrics = RouteRequest("GET", "/metrics", auth, kToken);
    EXPECT_EQ(metrics.kind, RouteKind::Metrics);
    const RouteDecision result = RouteRequest("GET", "/result?id=7-1", auth, kToken);
    EXPECT_EQ(result.kind, RouteKind::Result);
    EXPECT_EQ(result.resultId, "7-1");
    EXPECT_EQ(RouteRequest("GET", "/metrics", "", kToken).status, 401);
}

TEST(HttpControlTest, SettingsSwitchTheControlOnOnlyWhenValid) {
    using State = RemoteSettings::State;
    struct Row {
        const char* port;
        const char* token;
        const char* address;
        State state;
        std::uint16_t expectedPort;
        const char* expectedAddress;
    };
    const Row rows[] = {
        {"", "", "", State::Off, 0, "127.0.0.1"},
        {"8931", kToken, "", State::On, 8931, "127.0.0.1"},
        {" 65535 ", kToken, "192.168.1.5", State::On, 65535, "192.168.1.5"},
        {"1", "abcdefghijklmnop", "", State::On, 1, "127.0.0.1"},
        {"0", kToken, "", State::Invalid, 0, ""},
        {"65536", kToken, "", State::Invalid, 0, ""},
        {"80a", kToken, "", State::Invalid, 0, ""},
        {"", kToken, "", State::Invalid, 0, ""},
        {"8931", "", "", State::Invalid, 0, ""},
        {"8931", "abcdefghijklmno", "", State::Invalid, 0, ""},       // 15 characters
        {"8931", "abcdefgh ijklmnopq", "", State::Invalid, 0, ""},    // a blank inside
        {"8931", "令牌令牌令牌令牌令牌", "", State::Invalid, 0, ""},  // not ASCII
        {"", "", "127.0.0.1", State::Invalid, 0, ""},
    };
    for (const Row& row : rows) {
        testing::FakeProfile profile;
        profile.values[{kRemoteSection, kKeyRemotePort}] = row.port;
        profile.values[{kRemoteSection, kKeyRemoteToken}] = row.token;
        profile.values[{kRemoteSection, kKeyRemoteAddress}] = row.address;
        const RemoteSettings settings = ReadRemoteSettings(profile);
        EXPECT_EQ(settings.state, row.state) << row.port << "|" << row.token;
        EXPECT_EQ(settings.problem.empty(), row.state != State::Invalid);
        if (row.state == State::On) {
            EXPECT_EQ(settings.port, row.expectedPort);
            EXPECT_EQ(settings.address, row.expectedAddress);
            EXPECT_EQ(settings.token, row.token);
        }
        EXPECT_TRUE(profile.writes.empty()) << "the control's keys are never written";
    }
}

}  // namespace
}  // namespace qv
