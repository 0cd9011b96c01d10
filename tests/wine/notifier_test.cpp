// The notifier against a real batch hook and a scripted HTTP server on 127.0.0.1.
#include "wine/local_http_server.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>

#include "notify/notifier_win.h"
#include "wine/support/wine_support.h"

namespace qv::testing {
namespace {

constexpr char kHookFileVariable[] = "QV_TEST_HOOK_FILE";

LineEvent Event(LineEventKind kind, const char* ip) {
    LineEvent event;
    event.kind = kind;
    event.ip = ip;
    event.previousIp = "203.0.113.1";
    event.entry = "宽带连接";
    event.rasError = kind == LineEventKind::Failed ? 691 : 0;
    return event;
}

class NotifierTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!server.Listening()) {
            GTEST_SKIP() << "no loopback socket";
        }
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        // A blank in the path: the batch file's path must survive the command processor.
        directory = std::string(temp) + "qv notify " + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(directory.c_str(), nullptr);
        eventsFile = directory + "\\events.txt";
        hookFile = directory + "\\hook.bat";
        // Wine's command processor drops a redirection after a parenthesised block; the blank
        // before ">>" keeps a trailing digit from being read as a handle number.
        std::ofstream(hookFile, std::ios::binary)
            << "@echo off\r\necho %QV_EVENT% %QV_IP% %QV_RAS_ERROR% >>\"" << eventsFile << "\"\r\n";
        SetAnswer("200 OK");
    }
    void TearDown() override {
        for (const std::string& file : {eventsFile, hookFile, directory + "\\pids.txt"}) {
            DeleteFileA(file.c_str());
        }
        RemoveDirectoryA(directory.c_str());
    }

    // Answers every POST with `status` after reading it whole, and keeps it.
    void SetAnswer(const std::string& status, DWORD delayMs = 0) {
        server.SetAnswer([this, status, delayMs](SOCKET client, const std::string& head) {
            const std::string request = LocalHttpServer::WithBody(client, head);
            {
                std::lock_guard<std::mutex> lock(mutex);
                posts.push_back(request);
            }
            Sleep(delayMs);  // a slow server, not a wait of the test's
            LocalHttpServer::Send(client, LocalHttpServer::Reply(status, "", 0));
        });
    }

    std::vector<std::string> Posts() {
        std::lock_guard<std::mutex> lock(mutex);
        return posts;
    }

    NotifierTimings fast{2000, 5000, 50};
    std::string directory;
    std::string eventsFile;
    std::string hookFile;
    std::mutex mutex;
    std::vector<std::string> posts;
    std::atomic<int> problems = 0;
    std::atomic<int> silentPosts = 0;
    Notifier::ProblemCallback countProblems = [this](const Text&) { ++problems; };
    // Last, so that it ends first: its threads use the members above.
    LocalHttpServer server;
};

TEST_F(NotifierTest, HookAndWebhookEachRunForEveryEventInOrderWithItsFacts) {
    NotifySettings settings;
    settings.command = hookFile;
    settings.url = server.Url("/line?from=quorvane");
    Notifier notifier(settings, countProblems, fast);
    notifier.OnLineEvent(Event(LineEventKind::Connected, "203.0.113.12"));
    notifier.OnLineEvent(Event(LineEventKind::Dropped, ""));
    notifier.OnLineEvent(Event(LineEventKind::Failed, ""));
    notifier.OnLineEvent(Event(LineEventKind::Connected, "2001:db8::7"));

    ASSERT_TRUE(
        WaitUntil([&] { return Posts().size() >= 4 && FileLines(eventsFile).size() >= 4; }, 30000))
        << Posts().size();
    EXPECT_EQ(FileLines(eventsFile),
              (std::vector<std::string>{"connected 203.0.113.12 0", "dropped  0", "failed  691",
                                        "connected 2001:db8::7 0"}));
    const char* const events[] = {"connected", "dropped", "failed", "connected"};
    const char* const ips[] = {"203.0.113.12", "", "", "2001:db8::7"};
    const std::vector<std::string> requests = Posts();
    ASSERT_EQ(requests.size(), 4u);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        SCOPED_TRACE(requests[i]);
        EXPECT_EQ(requests[i].rfind("POST /line?from=quorvane HTTP/1.1\r\n", 0), 0u);
        EXPECT_NE(requests[i].find("Content-Type: application/json\r\n"), std::string::npos);
        const auto json = nlohmann::json::parse(LocalHttpServer::BodyOf(requests[i]));
        EXPECT_EQ(json["event"], events[i]);
        EXPECT_EQ(json["ip"], ips[i]);
        EXPECT_EQ(json["previous_ip"], "203.0.113.1");
        EXPECT_EQ(json["entry"], "\xE5\xAE\xBD\xE5\xB8\xA6\xE8\xBF\x9E\xE6\x8E\xA5");
        EXPECT_EQ(json["ras_error"], i == 2 ? 691 : 0);
        EXPECT_GE(json["time"].get<std::string>().size(), 20u);
    }
    EXPECT_EQ(problems, 0);
}

TEST_F(NotifierTest, AHookThatNeverEndsIsEndedAtTheLimitAndReportedOnce) {
    const std::string pids = directory + "\\pids.txt";
    SetEnvironmentVariableA(kHookFileVariable, pids.c_str());
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string hook = self;
    hook = hook.substr(0, hook.find_last_of('\\') + 1) + "sleeping_hook.exe";
    NotifySettings settings;
    settings.command = "\"" + hook + "\"";
    // Long enough for the helper to start under Wine and note itself, even while a fresh
    // machine's first run builds beside the tests (3 s was once too short).
    Notifier notifier(settings, countProblems, {10000, 5000, 50});
    notifier.OnLineEvent(Event(LineEventKind::Connected, "203.0.113.12"));
    notifier.OnLineEvent(Event(LineEventKind::Disconnected, ""));

    // The second is ended about one limit after the first.
    ASSERT_TRUE(WaitUntil([&] { return FileLines(pids).size() >= 2; }, 40000));
    SetEnvironmentVariableA(kHookFileVariable, nullptr);
    const std::vector<std::string> started = FileLines(pids);
    EXPECT_EQ(started.size(), 2u);
    for (const std::string& pid : started) {
        const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, std::stoul(pid));
        if (process != nullptr) {
            EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0) << pid;
            CloseHandle(process);
        }
    }
    EXPECT_EQ(problems, 1);
}

// Under Wine the hook may be a Linux program, which runs outside Wine's processes: nothing to
// wait on or end. It runs with the event's variables, and is no problem.
TEST_F(NotifierTest, ALinuxProgramAsTheHookRunsAndIsNoProblem) {
    const std::string marker = "/tmp/qv-linux-hook-" + std::to_string(GetCurrentProcessId());
    NotifySettings settings;
    settings.command = "/bin/sh -c \"echo $QV_IP >> " + marker + "\"";
    {
        Notifier notifier(settings, countProblems, fast);
        notifier.OnLineEvent(Event(LineEventKind::Connected, "203.0.113.12"));
        notifier.OnLineEvent(Event(LineEventKind::Connected, "203.0.113.13"));
        // The second runs once the first has been dealt with.
        EXPECT_TRUE(WaitUntil([&] { return FileLines("Z:" + marker).size() == 2; }, 10000));
    }
    EXPECT_EQ(FileLines("Z:" + marker), (std::vector<std::string>{"203.0.113.12", "203.0.113.13"}));
    EXPECT_EQ(problems, 0);
    DeleteFileA(("Z:" + marker).c_str());
}

TEST_F(NotifierTest, AFailingWebhookIsTriedThreeTimesAndReportedOnceUntilItWorksAgain) {
    SetAnswer("503 Service Unavailable");
    NotifySettings settings;
    settings.url = server.Url("/");
    Notifier notifier(settings, countProblems, fast);
    for (const char* ip : {"10.0.0.1", "10.0.0.2", "10.0.0.3"}) {
        notifier.OnLineEvent(Event(LineEventKind::Connected, ip));
    }
    ASSERT_TRUE(WaitUntil([&] { return Posts().size() >= 9; }, 30000)) << Posts().size();
    SetAnswer("204 No Content");
    notifier.OnLineEvent(Event(LineEventKind::Connected, "10.0.0.4"));
    // The fourth event's POST comes only after the third has failed its last try.
    ASSERT_TRUE(WaitUntil([&] { return Posts().size() >= 10; }, 30000));
    EXPECT_EQ(problems, 1);

    SetAnswer("500 Internal Server Error");
    notifier.OnLineEvent(Event(LineEventKind::Dropped, ""));
    EXPECT_TRUE(WaitUntil([&] { return problems == 2; }, 30000));
    EXPECT_EQ(Posts().size(), 13u);
}

TEST_F(NotifierTest, AClosedPortIsReportedOnceAcrossEvents) {
    std::string closedUrl;
    {
        LocalHttpServer closed;
        closedUrl = closed.Url("/");
    }
    NotifySettings settings;
    settings.command = hookFile;  // its line tells that the event before is done
    settings.url = closedUrl;
    Notifier notifier(settings, countProblems, fast);
    for (const char* ip : {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4"}) {
        notifier.OnLineEvent(Event(LineEventKind::Connected, ip));
    }
    ASSERT_TRUE(WaitUntil([&] { return FileLines(eventsFile).size() >= 4; }, 30000));
    EXPECT_EQ(problems, 1);
}

TEST_F(NotifierTest, AWebhookThatNeverAnswersHoldsNoHookBackAndFailsAtItsLimit) {
    server.SetAnswer([&](SOCKET client, const std::string& head) {
        LocalHttpServer::WithBody(client, head);
        ++silentPosts;
        server.HoldUntilStopped();
    });
    NotifySettings settings;
    settings.command = hookFile;
    settings.url = server.Url("/");
    Notifier notifier(settings, countProblems, {2000, 1500, 50});
    for (const char* ip : {"10.0.0.1", "10.0.0.2", "10.0.0.3"}) {
        notifier.OnLineEvent(Event(LineEventKind::Connected, ip));
    }
    EXPECT_TRUE(WaitUntil([&] { return FileLines(eventsFile).size() >= 3; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return problems == 1; }, 20000)) << "three tries of 1.5 s";
    EXPECT_GE(silentPosts, 3);
}

TEST_F(NotifierTest, TheWindowsThreadIsNeverHeldUpAndTheEndIsPrompt) {
    SetAnswer("200 OK", 3000);
    NotifySettings settings;
    settings.url = server.Url("/");
    auto notifier = std::make_unique<Notifier>(settings, countProblems, fast);
    ULONGLONG longest = 0;
    for (std::size_t i = 0; i < Notifier::kQueueLimit + 8; ++i) {
        const ULONGLONG start = GetTickCount64();
        notifier->OnLineEvent(Event(LineEventKind::Connected, "10.0.0.1"));
        longest = std::max(longest, GetTickCount64() - start);
    }
    EXPECT_LT(longest, 100u);
    ASSERT_TRUE(WaitUntil([&] { return !Posts().empty(); }, 10000));
    const ULONGLONG start = GetTickCount64();
    notifier.reset();
    EXPECT_LT(GetTickCount64() - start, 2000u);
    EXPECT_EQ(problems, 0);
}

}  // namespace
}  // namespace qv::testing
