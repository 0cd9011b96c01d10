#include <gtest/gtest.h>

#include "ui/message_box_result.h"

namespace qv {
namespace {

// An empty text and an absent text are the same value.
TEST(MessageBoxTitle, EmptyOrMissingTitleShowsTheDefault) {
    const Text empty;
    const Text given = "提示";
    EXPECT_STREQ(MessageBoxTitle(nullptr), "信息：");
    EXPECT_STREQ(MessageBoxTitle(&empty), "信息：");
    EXPECT_STREQ(MessageBoxTitle(&given), "提示");
}

TEST(MessageBoxStyle, AddsTaskModalUnlessSystemModal) {
    const struct {
        int style, expected;
    } rows[] = {
        {0, 0x2000},
        {48, 48 | 0x2000},
        {0x1000, 0x1000},  // system-modal stays as asked
        {0x1000 | 48, 0x1000 | 48},
        {0x2000 | 4, 0x2000 | 4},  // already task-modal
    };
    for (const auto& row : rows) {
        EXPECT_EQ(MessageBoxStyle(row.style), row.expected) << row.style;
    }
}

TEST(MessageBoxResult, MapsSystemButtonsToTheFormsNumbers) {
    constexpr int kYesNoCancel = 3;
    const struct {
        int pressed, expected;
    } rows[] = {
        {1, 0}, {2, 1},  {3, 2},  {4, 3},
        {5, 4}, {6, 5},  {7, 6},  {0, 0},   // the box could not be shown
        {8, 0}, {10, 0}, {11, 0}, {-1, 0},  // close, try again, continue, nonsense
    };
    for (const auto& row : rows) {
        EXPECT_EQ(MessageBoxResult(row.pressed, kYesNoCancel), row.expected) << row.pressed;
    }
}

TEST(MessageBoxResult, OkOnlyBoxAnswersOkHoweverItWasClosed) {
    for (int style : {0, 48, 0x2000 | 48}) {
        for (int pressed : {1, 2, 0}) {
            EXPECT_EQ(MessageBoxResult(pressed, style), 0) << style << " " << pressed;
        }
    }
    EXPECT_EQ(MessageBoxResult(2, 1 | 48), 1);  // OK/Cancel: Cancel counts
}

}  // namespace
}  // namespace qv
