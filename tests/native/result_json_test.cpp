#include "control/protocol.h"

#include <gtest/gtest.h>

#include "native/iconv_codec.h"

namespace qv {
namespace {

TEST(ResultJsonTest, OneLineWithEveryFieldAndGbkTextsInUtf8) {
    ScriptOutcome outcome;
    outcome.command = ScriptVerb::Redial;
    outcome.ok = false;
    outcome.connected = true;
    outcome.ip = "203.0.113.12";
    outcome.previousIp = "203.0.113.11";
    outcome.entry = "宽带连接 \"A\"";
    outcome.busy = true;
    outcome.error = "重拔2次后IP仍未改变";
    outcome.rasError = 691;
    outcome.tries = 2;
    outcome.seconds = 3.14159;
    testing::IconvCodec codec;
    EXPECT_EQ(ResultJson(outcome, codec),
              "{\"ok\":false,\"command\":\"redial\",\"state\":\"connected\","
              "\"ip\":\"203.0.113.12\",\"previous_ip\":\"203.0.113.11\","
              "\"entry\":\"\xE5\xAE\xBD\xE5\xB8\xA6\xE8\xBF\x9E\xE6\x8E\xA5 \\\"A\\\"\","
              "\"busy\":true,\"error\":\"\xE9\x87\x8D\xE6\x8B\x94"
              "2"
              "\xE6\xAC\xA1\xE5\x90\x8EIP\xE4\xBB\x8D\xE6\x9C\xAA\xE6\x94\xB9\xE5\x8F\x98\","
              "\"ras_error\":691,\"tries\":2,\"seconds\":3.142}");
}

TEST(ResultJsonTest, BrokenTextsNeverBreakTheLine) {
    struct Utf8AsIs : TextCodec {
        std::string GbkToUtf8(const Text& text) const override { return text; }
    } passThrough;
    ScriptOutcome outcome;
    outcome.entry = "\xFF\xFE\nline";  // neither UTF-8 nor one line
    const std::string json = ResultJson(outcome, passThrough);
    EXPECT_EQ(json.find('\n'), std::string::npos);
    EXPECT_NE(json.find("\"entry\":\"\xEF\xBF\xBD\xEF\xBF\xBD\\nline\""), std::string::npos)
        << json;
    EXPECT_NE(json.find("\"state\":\"disconnected\""), std::string::npos);

    testing::IconvCodec codec;
    outcome.entry = "A\x81";  // a lead byte cut off at the end
    EXPECT_NE(ResultJson(outcome, codec).find("\"entry\":\"A\xEF\xBF\xBD\""), std::string::npos);
}

}  // namespace
}  // namespace qv
