// What a controller's element in Redis becomes: run through the one queue with its id, or
// answered and not run.
#include "control/channel_runner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <map>
#include <vector>

#include "native/iconv_codec.h"

namespace qv {
namespace {

struct ChannelRunnerTest : ::testing::Test {
    ChannelRunnerTest() {
        runner.SetAnswer([this](const std::string& id, std::string json) {
            answers[id] = nlohmann::json::parse(json);
        });
    }
    CommandQueue queue{[] {}};
    StatusBoard board;
    testing::IconvCodec codec;
    std::vector<std::string> recorded;
    std::map<std::string, nlohmann::json> answers;
    ChannelRunner runner{queue, board, codec,
                         [this](const std::string& what) { recorded.push_back(what); }};
};

TEST_F(ChannelRunnerTest, ACommandRunsThroughTheQueueAsRedisAndIsAnsweredWithItsId) {
    runner.Take(R"({"id":"r-1","command":"redial","until_new":true,"tries":3,"not_after":100})",
                100);
    auto job = queue.BeginNext();
    ASSERT_TRUE(job);
    EXPECT_EQ(job->command, (ScriptCommand{ScriptVerb::Redial, true, 3}));
    EXPECT_EQ(job->source, CommandSource::Redis);
    EXPECT_TRUE(answers.empty()) << "answered before it ran";
    ScriptOutcome outcome;
    outcome.command = ScriptVerb::Redial;
    outcome.ok = true;
    outcome.ip = "203.0.113.12";
    job->done(outcome);
    queue.LeaveHandler();
    EXPECT_EQ(answers["r-1"]["ok"], true);
    EXPECT_EQ(answers["r-1"]["ip"], "203.0.113.12");
    EXPECT_EQ(answers["r-1"]["id"], "r-1");
    EXPECT_TRUE(recorded.empty());
}

TEST_F(ChannelRunnerTest, WhatMustNotRunIsAnsweredWhereItsIdIsKnownAndAlwaysRecorded) {
    runner.Take(R"({"id":"late","command":"redial","not_after":99})", 100);
    runner.Take(R"({"id":"blind","command":"dial","not_after":99})", std::nullopt);
    runner.Take(R"({"id":"bad","command":"reboot"})", 100);
    runner.Take(R"({"command":"dial"})", 100);
    runner.Take("not json", 100);
    runner.Take(R"({"id":"big","command":"dial","pad":")" + std::string(5000, 'x') + "\"}", 100);
    EXPECT_FALSE(queue.BeginNext()) << "nothing refused may run";
    EXPECT_EQ(answers.size(), 3u);
    for (const char* id : {"late", "blind", "bad"}) {
        EXPECT_EQ(answers[id]["ok"], false) << id;
        EXPECT_EQ(answers[id]["id"], id);
    }
    EXPECT_NE(answers["late"]["error"].get<std::string>().find("expired"), std::string::npos);
    EXPECT_EQ(recorded.size(), 6u) << "the unanswerable and the dropped are recorded too";
}

TEST_F(ChannelRunnerTest, AFullQueueIsAnsweredAndAStatusWhileBusyAtOnce) {
    board.Publish(ScriptOutcome{});
    for (std::size_t i = 0; i < kMaxWaitingCommands; ++i) {
        runner.Take(R"({"id":"d)" + std::to_string(i) + R"(","command":"dial"})", 1);
    }
    EXPECT_TRUE(answers.empty());
    runner.Take(R"({"id":"one-too-many","command":"hangup"})", 1);
    EXPECT_EQ(answers["one-too-many"]["ok"], false);
    EXPECT_EQ(answers["one-too-many"]["command"], "hangup");
    runner.Take(R"({"id":"s","command":"status"})", 1);
    EXPECT_EQ(answers["s"]["ok"], true) << "a status waits behind no command";
    EXPECT_EQ(answers["s"]["busy"], true);
}

}  // namespace
}  // namespace qv
