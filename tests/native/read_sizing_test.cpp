#include <gtest/gtest.h>

#include "web/read_sizing.h"
#include "web/request_parts.h"

namespace qv {
namespace {

TEST(ReadBlockSize, LengthPlusOneCappedElseDefault) {
    const struct {
        const char* lengthText;
        std::uint32_t expected;
    } rows[] = {
        {"99", 100},        {"1", 2},
        {"102399", 102400}, {"102400", 102400},
        {"200000", 102400}, {"99999999999999999999999999999", 102400},  // saturates, never wraps
        {"  \t42", 43},     {"+42", 43},
        {"42abc", 43},      {"0", 10240},
        {"-5", 10240},      {"-99999999999999999999999999999", 10240},
        {"", 10240},        {"abc", 10240},
        {"- 5", 10240},     {"--5", 10240},
        {nullptr, 10240},  // no Content-Length header
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ReadBlockSize(row.lengthText), row.expected)
            << (row.lengthText ? row.lengthText : "(none)");
    }
}

TEST(AppendBlock, GrowsWithSlackOnlyWhenABlockDoesNotFit) {
    Bytes body;
    const std::uint8_t block[200] = {1, 2, 3};
    AppendBlock(body, block, 100);
    EXPECT_EQ(body.size(), 100u);
    EXPECT_GE(body.capacity(), 100u + kBodyGrowthSlack);
    const auto* storage = body.data();
    AppendBlock(body, block, kBodyGrowthSlack);  // fits the slack: no re-allocation
    EXPECT_EQ(body.data(), storage);
    AppendBlock(body, block, 0);
    EXPECT_EQ(body.size(), 100u + kBodyGrowthSlack);
    EXPECT_EQ(body[2], 3);
}

TEST(RequestKindForScheme, HttpsAddsTheSecureFlagOverTheHttpService) {
    const struct {
        int scheme;
        RequestKind expected;
    } rows[] = {
        {kSchemeHttp, {true, 3, 0x84000000}},
        {kSchemeHttps, {true, 3, 0x84800000}},
        {1, {}},  // ftp
        {5, {}},  // file
        {-1, {}},
    };
    for (const auto& row : rows) {
        const RequestKind kind = RequestKindForScheme(row.scheme);
        EXPECT_EQ(kind.fetchable, row.expected.fetchable) << row.scheme;
        EXPECT_EQ(kind.service, row.expected.service) << row.scheme;
        EXPECT_EQ(kind.flags, row.expected.flags) << row.scheme;
    }
}

TEST(ObjectName, FragmentIsNeverSent) {
    const struct {
        const char* path;
        const char* expected;
    } rows[] = {
        {"/ic.asp", "/ic.asp"},
        {"/ic.asp#top", "/ic.asp"},
        {"/ic.asp?a=1#x#y", "/ic.asp?a=1"},
        {"#", ""},
        {"", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ObjectName(row.path), row.expected);
    }
}

std::vector<std::uint32_t> observed;
void Observe(std::uint32_t requested) {
    observed.push_back(requested);
}

TEST(ReadRequestObserver, SeesRequestsOnlyWhileInstalled) {
    observed.clear();
    NoteReadRequest(1);
    SetReadRequestObserver(&Observe);
    NoteReadRequest(100);
    SetReadRequestObserver(nullptr);
    NoteReadRequest(2);
    EXPECT_EQ(observed, std::vector<std::uint32_t>{100});
}

}  // namespace
}  // namespace qv
