#include <cstring>

#include <gtest/gtest.h>

#include "desktop/tray_fields.h"

namespace qv {
namespace {

TEST(TrayFields, AddRecordNamesIconTipAndCallback) {
    TrayRecord record = {};
    FillTrayAddRecord(record, 0x1234, 0x5678, "提示文字");
    EXPECT_EQ(record.cbSize, kTrayRecordSize);
    EXPECT_EQ(record.hWnd, 0x1234u);
    EXPECT_EQ(record.uID, 1u);
    EXPECT_EQ(record.uFlags, 7u);
    EXPECT_EQ(record.uCallbackMessage, 123456u);
    EXPECT_EQ(record.hIcon, 0x5678u);
    EXPECT_STREQ(record.szTip, "提示文字");
    EXPECT_EQ(record.uTimeout, 0u);
}

TEST(TrayFields, BalloonNamesOnlyTheBalloonAndLeavesIconAndTip) {
    TrayRecord record = {};
    FillTrayAddRecord(record, 1, 2, "tip");
    SetBalloonFields(record, "提示", "已开启定时重拔！", IconKind::Info);
    EXPECT_EQ(record.uFlags, 0x10u);
    EXPECT_STREQ(record.szInfoTitle, "提示");
    EXPECT_STREQ(record.szInfo, "已开启定时重拔！");
    EXPECT_EQ(record.dwInfoFlags, 1u);
    EXPECT_EQ(record.hIcon, 2u);
    EXPECT_STREQ(record.szTip, "tip");

    SetBalloonFields(record, "", "", IconKind::None);  // the hide request
    EXPECT_EQ(record.uFlags, 0x10u);
    EXPECT_STREQ(record.szInfo, "");
    EXPECT_STREQ(record.szInfoTitle, "");
    EXPECT_EQ(record.dwInfoFlags, 0u);

    SetTrayTipField(record, "new tip");
    EXPECT_EQ(record.uFlags, 7u);
    SetTrayIconField(record, 9);
    EXPECT_EQ(record.uFlags, 7u);
    EXPECT_EQ(record.hIcon, 9u);
    EXPECT_STREQ(record.szTip, "new tip");
}

// "提" is two bytes in GBK; texts are cut to 63, 255 and 127 bytes without halving one.
TEST(TrayFields, TextsAreCutToTheirFieldsWithoutSplittingACharacter) {
    const Text two = "提";
    ASSERT_EQ(two.size(), 2u);
    const struct {
        const char* field;
        std::size_t limit;
    } fields[] = {{"title", 63}, {"text", 255}, {"tip", 127}};
    for (const auto& f : fields) {
        const struct {
            Text text;
            std::size_t expected;
        } rows[] = {
            {Text(f.limit, 'a'), f.limit},                // fits exactly
            {Text(f.limit + 1, 'a'), f.limit},            // one byte too many
            {Text(f.limit - 1, 'a') + two, f.limit - 1},  // a character across the limit
            {Text(f.limit - 2, 'a') + two, f.limit},      // a character ending at it
            {Text(f.limit - 2, 'a') + two + two, f.limit},
        };
        for (const auto& row : rows) {
            TrayRecord record = {};
            if (f.limit == 63) {
                SetBalloonFields(record, row.text, "", IconKind::Info);
            } else if (f.limit == 255) {
                SetBalloonFields(record, "", row.text, IconKind::Info);
            } else {
                SetTrayTipField(record, row.text);
            }
            const char* got = f.limit == 63    ? record.szInfoTitle
                              : f.limit == 255 ? record.szInfo
                                               : record.szTip;
            EXPECT_EQ(std::strlen(got), row.expected) << f.field << " " << row.text.size();
            EXPECT_EQ(std::memcmp(got, row.text.data(), row.expected), 0) << f.field;
        }
    }
}

}  // namespace
}  // namespace qv
