// The dial-up service against the simulated ISP's rasapi32.dll: what it lists, what it dials
// with which arguments, when it counts as connected and what it hangs up.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "dialup/ras_records.h"
#include "dialup/ras_service_win.h"
#include "sim_control.h"
#include "wine/support/sim_line_test.h"

namespace {

using qv::RasService;
namespace sim = qv::sim;

const std::vector<std::string> kThreeEntries = {"宽带连接", "电信ADSL", "联通 宽带"};

std::string Hex(std::uintptr_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%llx", static_cast<unsigned long long>(value));
    return buffer;
}

// The RAS calls since the last ClearCalls, one line each, with repeats of the same line
// folded (a wait polls the same status many times).
std::vector<std::string> Trace() {
    std::vector<std::string> lines;
    for (const sim::RasCall& call : sim::Calls()) {
        std::string line;
        switch (call.function) {
            case sim::RasFunction::EnumEntries:
                line = "entries";
                break;
            case sim::RasFunction::EnumConnections:
                line = "connections";
                break;
            case sim::RasFunction::Dial:
                line = "dial " + call.entryName + "|" + call.phoneNumber;
                break;
            case sim::RasFunction::GetConnectStatus:
                line = "status " + Hex(call.handle);
                break;
            case sim::RasFunction::HangUp:
                line = "hangup " + Hex(call.handle);
                break;
            case sim::RasFunction::ConnectionNotification:
                line = "notification " + Hex(call.handle);
                break;
        }
        if (lines.empty() || lines.back() != line) {
            lines.push_back(line);
        }
    }
    return lines;
}

class RasServiceTest : public qv::testing::SimLineTest {
  protected:
    void SetUp() override {
        SimLineTest::SetUp();
        qv::DialledConnection() = nullptr;
    }
    void TearDown() override {
        qv::DialledConnection() = nullptr;
        SimLineTest::TearDown();
    }
    static std::uintptr_t Remembered() {
        return reinterpret_cast<std::uintptr_t>(qv::DialledConnection());
    }
    static sim::RasCall LastDial() {
        const auto dials = sim::Calls(sim::RasFunction::Dial);
        return dials.empty() ? sim::RasCall() : dials.back();
    }

    RasService service;
};

TEST_F(RasServiceTest, EntriesAreListedByPositionFromAFreshEnumeration) {
    EXPECT_EQ(service.EntryCount(), 0);
    EXPECT_EQ(service.EntryName(0), "");

    sim::SetEntries(kThreeEntries);
    sim::ClearCalls();
    EXPECT_EQ(service.EntryCount(), 3);
    const struct {
        int index;
        const char* name;
    } rows[] = {{0, "宽带连接"}, {1, "电信ADSL"}, {2, "联通 宽带"},
                {3, ""},         {-1, ""},        {INT_MIN, ""}};
    for (const auto& row : rows) {
        EXPECT_EQ(service.EntryName(row.index), row.name) << row.index;
    }
    // Nothing is cached: every call asked the system, with the 38-record listing.
    const auto calls = sim::Calls(sim::RasFunction::EnumEntries);
    ASSERT_EQ(calls.size(), 1u + std::size(rows));
    for (const auto& call : calls) {
        EXPECT_EQ(call.recordSize, 264u);
        EXPECT_EQ(call.bufferSize, 38u * 264u);
        EXPECT_EQ(call.flags & (sim::kReservedGiven | sim::kPhonebookGiven), 0u);
    }
    sim::SetEntries({"新连接"});
    EXPECT_EQ(service.EntryCount(), 1);
    EXPECT_EQ(service.EntryName(0), "新连接");
}

TEST_F(RasServiceTest, MoreEntriesThanTheListingHoldsReadAsNone) {
    std::vector<std::string> names;
    for (int i = 0; i < 38; ++i) {
        names.push_back("连接" + std::to_string(i));
    }
    sim::SetEntries(names);
    EXPECT_EQ(service.EntryCount(), 38);
    EXPECT_EQ(service.EntryName(37), "连接37");

    names.push_back("连接38");
    sim::SetEntries(names);
    sim::ClearCalls();
    EXPECT_EQ(service.EntryCount(), 0);
    EXPECT_EQ(service.EntryName(0), "");
    EXPECT_EQ(service.Dial("@0", "user", "pass", true), 623u) << "no such entry";
    EXPECT_EQ(sim::CallCount(sim::RasFunction::Dial), 0u);
    for (const auto& call : sim::Calls(sim::RasFunction::EnumEntries)) {
        EXPECT_EQ(call.result, qv::kRasBufferTooSmall);
    }
}

TEST_F(RasServiceTest, LongestEntryNameComesBackWholeAndIsDialledWhole) {
    std::string name;
    while (name.size() < 256) {
        name += "宽";  // two GBK bytes
    }
    ASSERT_EQ(name.size(), 256u);
    sim::SetEntries({name});
    EXPECT_EQ(service.EntryName(0), name);
    EXPECT_EQ(service.Dial("@0", "user", "pass", true), 0u);
    EXPECT_EQ(LastDial().entryName, name);
}

// How the number is read is the target parser's (tests/native/ras_dial_target_test.cpp); here,
// what the service makes of it: an entry by position, or no dial at all.
TEST_F(RasServiceTest, AtTargetsResolveByPosition) {
    sim::SetEntries(kThreeEntries);
    const struct {
        const char* target;
        int position;  // -1: refused without dialling
    } rows[] = {
        // clang-format off
        {"@", 0}, {"@0", 0}, {"@1", 1}, {"@2x5", 2}, {"@-1", -1}, {"@3", -1}, {"@+-1", 0},
        {"@99999999999", -1}, {"@-99999999999", -1}, {"@4294967297", -1},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.target);
        const std::uint32_t dialsBefore = sim::CallCount(sim::RasFunction::Dial);
        const bool dialled = service.Dial(row.target, "user", "pass", true) == 0;
        if (row.position < 0) {
            EXPECT_FALSE(dialled);
            EXPECT_EQ(sim::CallCount(sim::RasFunction::Dial), dialsBefore);
            EXPECT_EQ(Remembered(), 0u);
        } else {
            EXPECT_TRUE(dialled);
            const sim::RasCall dial = LastDial();
            EXPECT_EQ(dial.entryName, kThreeEntries[row.position]);
            EXPECT_EQ(dial.phoneNumber, "");
            EXPECT_EQ(Remembered(), dial.handle);
        }
    }
}

TEST_F(RasServiceTest, EveryDialDropsThePreviousConnectionFirstEvenWhenRefused) {
    sim::SetEntries(kThreeEntries);
    ASSERT_EQ(service.Dial("@0", "user", "pass", true), 0u);
    const std::uintptr_t first = Remembered();

    sim::ClearCalls();
    ASSERT_EQ(service.Dial("@1", "user", "pass", true), 0u);
    const std::uintptr_t second = Remembered();
    EXPECT_NE(second, first);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"hangup " + Hex(first), "status " + Hex(first),
                                                 "entries", "dial 电信ADSL|"}));

    sim::ClearCalls();
    EXPECT_EQ(service.Dial("@7", "user", "pass", true), 623u);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"hangup " + Hex(second), "status " + Hex(second),
                                                 "entries"}));
    EXPECT_EQ(Remembered(), 0u);
    EXPECT_TRUE(sim::Connections().empty());
}

TEST_F(RasServiceTest, TargetWithoutAtIsDialledAsAPhoneNumber) {
    sim::ClearCalls();
    ASSERT_EQ(service.Dial("16300", "user", "pass", true), 0u);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"dial |16300"}));
    const auto connections = sim::Connections();
    ASSERT_EQ(connections.size(), 1u);
    EXPECT_EQ(connections[0].entryName, ".16300");
    EXPECT_TRUE(service.IsConnected());
}

TEST_F(RasServiceTest, DialParametersCarryTheTextsAsTyped) {
    sim::SetEntries(kThreeEntries);
    const struct {
        const char* account;
        const char* password;
    } rows[] = {{"", ""}, {"adsl@163.gd", "密码 123"}, {"user", ""}};
    for (const auto& row : rows) {
        ASSERT_EQ(service.Dial("@2", row.account, row.password, true), 0u);
        const sim::RasCall dial = LastDial();
        EXPECT_EQ(dial.userName, row.account);
        EXPECT_EQ(dial.password, row.password);
        EXPECT_EQ(dial.callbackNumber, "");
        EXPECT_EQ(dial.domain, "");
        EXPECT_EQ(dial.recordSize, 1052u);
        EXPECT_EQ(dial.notifierType, 0u);
        EXPECT_EQ(dial.flags & ~sim::kRecordGiven, 0u);  // no extensions, phonebook, notifier
        EXPECT_EQ(dial.handleIn, 0u);
        EXPECT_EQ(dial.result, 0u);
    }
}

TEST_F(RasServiceTest, OverLongTextsAreCutToTheirFieldsNeverOverrun) {
    std::string account(300, 'a');
    std::string password = "x";
    for (int i = 0; i < 150; ++i) {
        password += "密";
    }
    const std::string phone(200, '7');
    ASSERT_EQ(service.Dial(phone, account, password, true), 0u);
    const sim::RasCall dial = LastDial();
    EXPECT_EQ(dial.flags & sim::kUnterminatedField, 0u);
    EXPECT_EQ(dial.phoneNumber, phone.substr(0, 128));
    EXPECT_EQ(dial.userName, account.substr(0, 256));
    // 256 bytes would end inside a two-byte character: the cut falls before it.
    EXPECT_EQ(dial.password, password.substr(0, 255));
}

TEST_F(RasServiceTest, AFailedDialReleasesTheHandleItLeft) {
    sim::SetEntries(kThreeEntries);
    const struct {
        const char* name;
        void (*arrange)();
        std::uint32_t error;
    } rows[] = {
        {"line fails", [] { sim::FailNextDials(1, 651); }, 651},
        {"wrong password",
         [] {
             sim::SetCredentials({{"user", "right"}});
         },
         691},
        {"offline", [] { sim::SetOffline(true); }, 678},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim::Reset();
        sim::SetEntries(kThreeEntries);
        row.arrange();
        EXPECT_EQ(service.Dial("@0", "user", "pass", true), row.error);
        const sim::RasCall dial = LastDial();
        EXPECT_EQ(dial.result, row.error);
        ASSERT_NE(dial.handle, 0u);
        EXPECT_EQ(Trace(), (std::vector<std::string>{"entries", "dial 宽带连接|",
                                                     "hangup " + Hex(dial.handle),
                                                     "status " + Hex(dial.handle)}));
        EXPECT_EQ(Remembered(), 0u);
        EXPECT_TRUE(sim::Connections().empty());
    }
}

TEST_F(RasServiceTest, OnlyAnEstablishedConnectionCountsAndHangUpAllTakesEveryOneDown) {
    const struct {
        const char* name;
        std::uintptr_t (*arrange)();
        bool connected;
    } rows[] = {
        {"nothing", [] { return std::uintptr_t(0); }, false},
        {"made by another program", [] { return sim::AddExternalConnection("宽带连接"); }, true},
        {"stuck in authentication", [] { return sim::AddStuckConnection("宽带连接"); }, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim::Reset();
        const std::uintptr_t handle = row.arrange();
        EXPECT_EQ(service.IsConnected(), row.connected);
        sim::ClearCalls();
        service.HangUpAll();
        EXPECT_TRUE(sim::Connections().empty());
        std::vector<std::string> expected = {"connections"};
        if (handle != 0) {
            expected.push_back("hangup " + Hex(handle));
            expected.push_back("status " + Hex(handle));
        }
        EXPECT_EQ(Trace(), expected);
        EXPECT_FALSE(service.IsConnected());
    }
}

TEST_F(RasServiceTest, RememberedConnectionAnswersWithoutEnumerating) {
    sim::SetEntries(kThreeEntries);
    ASSERT_EQ(service.Dial("@0", "user", "pass", true), 0u);
    sim::ClearCalls();
    EXPECT_TRUE(service.IsConnected());
    EXPECT_EQ(Trace(), (std::vector<std::string>{"status " + Hex(Remembered())}));
}

TEST_F(RasServiceTest, DroppedRememberedConnectionFallsBackToTheEnumeration) {
    sim::SetEntries(kThreeEntries);
    ASSERT_EQ(service.Dial("@0", "user", "pass", true), 0u);
    const std::uintptr_t dropped = Remembered();
    ASSERT_TRUE(sim::DropConnection(dropped));
    EXPECT_FALSE(service.IsConnected());

    const std::uintptr_t other = sim::AddExternalConnection("电信ADSL");
    sim::ClearCalls();
    EXPECT_TRUE(service.IsConnected());
    EXPECT_EQ(Trace(),
              (std::vector<std::string>{"status " + Hex(dropped), "connections",
                                        "status " + Hex(dropped), "status " + Hex(other)}));

    // The stale handle is released first, then everything listed.
    sim::ClearCalls();
    service.HangUpAll();
    EXPECT_EQ(Remembered(), 0u);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"hangup " + Hex(dropped), "status " + Hex(dropped),
                                                 "connections", "hangup " + Hex(other),
                                                 "status " + Hex(other)}));
    EXPECT_TRUE(sim::Connections().empty());
}

TEST_F(RasServiceTest, HangUpWaitReturnsWhenTheHandleIsGone) {
    sim::SetDelays(0, 300);
    sim::AddExternalConnection("宽带连接");
    const DWORD start = GetTickCount();
    service.HangUpAll();
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 280u);
    EXPECT_LT(elapsed, 2000u);
    EXPECT_TRUE(sim::Connections().empty());
}

// The program's 3 s bound is the wait's default (tests/native/ras_hang_up_wait_test.cpp);
// here a service with a short one shows that the bound ends the real wait.
TEST_F(RasServiceTest, HangUpThatNeverCompletesGivesUpAtItsBoundWithoutSpinning) {
    constexpr DWORD kBoundMs = 100;
    qv::RasService shortBound(kBoundMs);
    sim::AddExternalConnection("宽带连接");
    sim::SetHangUpNeverCompletes(true);
    sim::ClearCalls();
    const DWORD start = GetTickCount();
    shortBound.HangUpAll();
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, kBoundMs - 5);
    EXPECT_LT(elapsed, kBoundMs + 1500);
    // A short sleep between polls: about one status query per 10 ms, not a busy loop's
    // thousands (at most one per 3 ms, as over the full 3 s).
    const std::uint32_t polls = sim::CallCount(sim::RasFunction::GetConnectStatus);
    EXPECT_GE(polls, 2u);
    EXPECT_LE(polls, kBoundMs / 3);
    const auto connections = sim::Connections();
    ASSERT_EQ(connections.size(), 1u);
    EXPECT_TRUE(connections[0].hangingUp);
}

TEST_F(RasServiceTest, ExitLeavesAWorkingLineUpAndReleasesAnythingElse) {
    sim::SetEntries(kThreeEntries);
    ASSERT_EQ(service.Dial("@0", "user", "pass", true), 0u);
    const std::uintptr_t working = Remembered();
    sim::ClearCalls();
    qv::RasTeardownAtExit();
    EXPECT_EQ(Remembered(), 0u);
    EXPECT_EQ(Trace(), (std::vector<std::string>{"status " + Hex(working)}));
    auto connections = sim::Connections();
    ASSERT_EQ(connections.size(), 1u);
    EXPECT_EQ(connections[0].state, qv::RASCS_Connected);

    // A line that dropped is released.
    qv::DialledConnection() = reinterpret_cast<void*>(working);
    sim::DropConnection(working);
    qv::RasTeardownAtExit();
    EXPECT_EQ(Remembered(), 0u);
    EXPECT_TRUE(sim::Connections().empty());

    // Nothing remembered: nothing asked.
    sim::ClearCalls();
    qv::RasTeardownAtExit();
    EXPECT_TRUE(sim::Calls().empty());
}

}  // namespace
