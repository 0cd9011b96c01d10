// What GET /metrics tells after a known run of commands, and how long async answers are kept.
#include <gtest/gtest.h>

#include "control/metrics.h"
#include "control/result_table.h"
#include "native/fake_services.h"

namespace qv::testing {
namespace {

bool Has(const std::string& text, const std::string& line) {
    return text.find("\n" + line + "\n") != std::string::npos;
}

TEST(Metrics, CountEveryDialRedialDropAndSourceFromZero) {
    Rig rig;
    std::int64_t now = 1'800'000'000;
    Metrics metrics([&] { return rig.pump.now; }, [&] { return now; });
    EXPECT_TRUE(Has(metrics.Text({}), "quorvane_dials_total{result=\"failed\",cause=\"busy\"} 0"));
    EXPECT_TRUE(Has(metrics.Text({}), "quorvane_commands_total{source=\"redis\"} 0"));
    rig.followers.Add(metrics);
    rig.assistant.SetIpEchoPageUrl(kEchoUrl);
    rig.dialup.entries = {"宽带连接"};
    rig.web.pages = {"[58.1.1.1]", "[58.1.1.1]", "[58.2.2.2]", "[58.2.2.2]"};
    rig.assistant.Raise(Handler::DialCommand, 0, 0);
    rig.assistant.TimedRedialTick();  // a new address after the 1 s pause
    rig.dialup.dialCodes = {691};
    rig.assistant.RedialCommand({.source = CommandSource::Hotkey});  // fails
    const std::string text = metrics.Text({.lineUp = true, .commandsWaiting = 2});
    for (const char* line : {
             "quorvane_build_info{version=\"" QV_VERSION "\"} 1",
             "quorvane_line_up 1",
             "quorvane_dials_total{result=\"ok\",cause=\"none\"} 2",
             "quorvane_dials_total{result=\"failed\",cause=\"account\"} 1",
             "quorvane_redials_total{outcome=\"new_address\"} 1",
             "quorvane_redials_total{outcome=\"failed\"} 1",
             "quorvane_redials_total{outcome=\"same_address\"} 0",
             "quorvane_dial_duration_seconds_bucket{le=\"1\"} 3",
             "quorvane_dial_duration_seconds_count 3",
             "quorvane_offline_duration_seconds_bucket{le=\"1\"} 0",
             "quorvane_offline_duration_seconds_bucket{le=\"2\"} 1",
             "quorvane_offline_duration_seconds_sum 1.001",
             "quorvane_address_changed_timestamp_seconds 1800000000",
             "quorvane_pool_up 0",
             "quorvane_commands_waiting 2",
             "quorvane_commands_total{source=\"person\"} 1",
             "quorvane_commands_total{source=\"timer\"} 1",
             "quorvane_commands_total{source=\"hotkey\"} 1",
         }) {
        EXPECT_TRUE(Has(text, line)) << line << "\n" << text;
    }
    EXPECT_EQ(text.find("58."), std::string::npos) << "no address anywhere";
    EXPECT_EQ(text.find("宽带"), std::string::npos) << "no entry name anywhere";
}

TEST(ResultTable, KeepsSixtyFourAnswersForTenMinutes) {
    std::uint32_t now = 0;
    ResultTable table([&] { return now; });
    table.Add("a");
    EXPECT_EQ(table.Find("a").state, ResultTable::State::Pending);
    table.Finish("a", "{}");
    EXPECT_EQ(table.Find("a").json, "{}");
    now += kResultKeptMs - 1;
    EXPECT_EQ(table.Find("a").state, ResultTable::State::Done);
    now += 1;
    EXPECT_EQ(table.Find("a").state, ResultTable::State::Unknown) << "ten minutes after it ran";
    table.Add("pending");
    for (int i = 0; i < 64; ++i) {
        table.Add(std::to_string(i));
        table.Finish(std::to_string(i), "{}");
    }
    EXPECT_EQ(table.Find("0").state, ResultTable::State::Unknown) << "the oldest answer went";
    EXPECT_EQ(table.Find("1").state, ResultTable::State::Done);
    EXPECT_EQ(table.Find("pending").state, ResultTable::State::Pending) << "a waiting one stays";
}

}  // namespace
}  // namespace qv::testing
