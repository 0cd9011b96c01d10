#include <gtest/gtest.h>

#include "native/fake_services.h"

namespace qv::testing {
namespace {

TEST(PublicIpLookup, ReturnsWhatStandsBetweenTheFirstBrackets) {
    const struct {
        Text page;
        Text expected;
    } rows[] = {
        {"<center>您的IP是：[203.0.113.7] 来自：某地</center>", "203.0.113.7"},
        {"[10.0.0.1][10.0.0.2]", "10.0.0.1"},
        {"[]", ""},
        {"", ""},
        {"203.0.113.7", ""},
        {"[203.0.113.7", ""},
        {"[ not an address ]", ""},  // only an address is an answer
        {"[ 203.0.113.7 ]", "203.0.113.7"},
        {"[2001:db8::1]", "2001:db8::1"},
        {"[203.0.113.256]", ""},
        {Text("[1.2.3.4\0]", 10), ""},  // the body ends at its first zero byte
        {Text("\0[1.2.3.4]", 10), ""},
    };
    for (const auto& row : rows) {
        Rig rig;
        rig.web.page = row.page;
        EXPECT_EQ(rig.assistant.PublicIpLookup(), row.expected) << row.page;
        EXPECT_EQ(rig.journal.entries, std::vector<std::string>{"fetch " QV_IP_ECHO_URL});
    }
}

TEST(PublicIpLookup, AsksTheListedPagesInTurnUntilOneShowsAnAddress) {
    Rig rig;
    rig.assistant.SetIpEchoPageUrl(" http://a/ | |http://b/|http://c/");
    rig.web.pages = {"<html>[Server Error]</html>", "[198.51.100.4]"};
    EXPECT_EQ(rig.assistant.PublicIpLookup(), "198.51.100.4");
    EXPECT_EQ(rig.journal.entries,
              (std::vector<std::string>{"fetch http://a/", "fetch http://b/"}));
    rig.web.pages = {"", "[]", "[x]"};
    rig.web.page = "";
    rig.journal.entries.clear();
    EXPECT_EQ(rig.assistant.PublicIpLookup(), "");
    EXPECT_EQ(rig.journal.entries.size(), 3u);
}

TEST(PublicIpLookup, FetchesAgainOnEveryCall) {
    Rig rig;
    rig.web.pages = {"[1.1.1.1]", "[2.2.2.2]"};
    EXPECT_EQ(rig.assistant.PublicIpLookup(), "1.1.1.1");
    EXPECT_EQ(rig.assistant.PublicIpLookup(), "2.2.2.2");
    EXPECT_EQ(rig.journal.entries.size(), 2u);
}

TEST(PublicIpLookup, ConfiguredEchoPageReplacesTheDefault) {
    const Text override = "http://127.0.0.1:8080/ic.asp";
    const struct {
        Text configured;
        Text fetched;
    } rows[] = {{override, override}, {"", QV_IP_ECHO_URL}, {"| |", QV_IP_ECHO_URL}};
    for (const auto& row : rows) {
        Rig rig;
        if (!row.configured.empty()) {
            rig.profile.values[{"高级设置", "IP查询地址"}] = row.configured;
        }
        rig.web.page = "[192.0.2.1]";
        rig.assistant.InitMainWindow();  // start-up looks the address up too
        EXPECT_EQ(rig.assistant.PublicIpLookup(), "192.0.2.1");
        std::vector<std::string> fetches;
        for (const auto& entry : rig.journal.entries) {
            if (entry.rfind("fetch ", 0) == 0) {
                fetches.push_back(entry);
            }
        }
        ASSERT_FALSE(fetches.empty());
        for (const auto& fetch : fetches) {
            EXPECT_EQ(fetch, "fetch " + row.fetched);
        }
    }
}

}  // namespace
}  // namespace qv::testing
