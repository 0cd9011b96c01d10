// The simulated ISP's rasapi32.dll, called directly: every later test trusts that its knobs
// and its RAS semantics are what they say.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "dialup/ras_api_win.h"
#include "dialup/ras_records.h"
#include "sim_control.h"
#include "wine/support/sim_line_test.h"
#include "wine/support/wine_support.h"

namespace {

using namespace qv;
namespace sim = qv::sim;

RASDIALPARAMSA Params(const char* entry, const char* phone = "", const char* user = "user",
                      const char* password = "pass") {
    RASDIALPARAMSA params;
    std::memset(&params, 0, sizeof params);
    params.dwSize = sizeof params;
    std::strcpy(params.szEntryName, entry);
    std::strcpy(params.szPhoneNumber, phone);
    std::strcpy(params.szUserName, user);
    std::strcpy(params.szPassword, password);
    return params;
}

struct Status {
    DWORD result;
    std::uint32_t state;
    std::uint32_t error;
};

Status StatusOf(HRASCONN connection) {
    RASCONNSTATUSA status;
    std::memset(&status, 0, sizeof status);
    status.dwSize = sizeof status;
    const DWORD result = RasGetConnectStatusA(connection, &status);
    return {result, status.rasconnstate, status.dwError};
}

DWORD Dial(RASDIALPARAMSA params, HRASCONN& connection) {
    connection = nullptr;
    return RasDialA(nullptr, nullptr, &params, 0, nullptr, &connection);
}

HANDLE Register(std::uintptr_t connection, HANDLE event) {
    const auto handle = connection == sim::kAllConnections ? INVALID_HANDLE_VALUE
                                                           : reinterpret_cast<HRASCONN>(connection);
    EXPECT_EQ(RasConnectionNotificationA(handle, event, kRasNotifyDisconnection), 0u);
    return event;
}

class SimRasApiTest : public qv::testing::SimLineTest {
  protected:
    void SetUp() override {
        SimLineTest::SetUp();
        sim::SetEntries({"宽带连接", "电信ADSL", "联通宽带"});
    }
};

TEST_F(SimRasApiTest, RecordsOfAnUnknownSizeAreRefused) {
    RASENTRYNAMEA entries[4] = {};
    entries[0].dwSize = 263;
    DWORD size = sizeof entries;
    DWORD count = 0;
    EXPECT_EQ(RasEnumEntriesA(nullptr, nullptr, entries, &size, &count), kRasInvalidSize);

    RASCONNA connections[2] = {};
    connections[0].dwSize = sizeof(RASCONNA) == 416 ? 412 : 416;
    size = sizeof connections;
    EXPECT_EQ(RasEnumConnectionsA(connections, &size, &count), kRasInvalidSize);

    HRASCONN handle = nullptr;
    RASDIALPARAMSA params = Params("宽带连接");
    params.dwSize = 1051;
    EXPECT_EQ(RasDialA(nullptr, nullptr, &params, 0, nullptr, &handle), kRasInvalidSize);
    EXPECT_EQ(handle, nullptr);
    EXPECT_TRUE(sim::Connections().empty());

    ASSERT_EQ(Dial(Params("宽带连接"), handle), 0u);
    RASCONNSTATUSA status = {};
    status.dwSize = 159;
    EXPECT_EQ(RasGetConnectStatusA(handle, &status), kRasInvalidSize);
}

TEST_F(SimRasApiTest, ListsThatDoNotFitAreRefusedWholeWithTheSizeNeeded) {
    RASENTRYNAMEA entries[2] = {};
    entries[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD size = sizeof entries;
    DWORD count = 0;
    EXPECT_EQ(RasEnumEntriesA(nullptr, nullptr, entries, &size, &count), kRasBufferTooSmall);
    EXPECT_EQ(size, 3 * sizeof(RASENTRYNAMEA));
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(entries[0].szEntryName[0], '\0');  // nothing cut to fit

    RASENTRYNAMEA fits[3] = {};
    fits[0].dwSize = sizeof(RASENTRYNAMEA);
    size = sizeof fits;
    ASSERT_EQ(RasEnumEntriesA(nullptr, nullptr, fits, &size, &count), 0u);
    EXPECT_EQ(count, 3u);
    EXPECT_STREQ(fits[2].szEntryName, "联通宽带");

    for (int i = 0; i < 39; ++i) {
        sim::AddExternalConnection("宽带连接");
    }
    RASCONNA connections[kListingRecords] = {};
    connections[0].dwSize = sizeof(RASCONNA);
    size = sizeof connections;
    EXPECT_EQ(RasEnumConnectionsA(connections, &size, &count), kRasBufferTooSmall);
    EXPECT_EQ(count, 39u);
    EXPECT_EQ(size, 39 * sizeof(RASCONNA));
    EXPECT_EQ(connections[0].hrasconn, nullptr);
}

TEST_F(SimRasApiTest, MissingOrUnusedArgumentsAreRefused) {
    DWORD size = 0;
    DWORD count = 0;
    RASENTRYNAMEA entries[3] = {};
    entries[0].dwSize = sizeof(RASENTRYNAMEA);
    size = sizeof entries;
    EXPECT_EQ(RasEnumEntriesA(nullptr, nullptr, entries, nullptr, &count), kRasInvalidParameter);
    EXPECT_EQ(RasEnumEntriesA("x", nullptr, entries, &size, &count), kRasInvalidParameter);
    EXPECT_EQ(RasEnumEntriesA(nullptr, "C:\\other.pbk", entries, &size, &count),
              kRasCannotOpenPhonebook);
    EXPECT_EQ(RasEnumConnectionsA(nullptr, nullptr, &count), kRasInvalidParameter);
    EXPECT_EQ(RasGetConnectStatusA(nullptr, nullptr), kRasInvalidParameter);

    RASDIALPARAMSA params = Params("宽带连接");
    HRASCONN handle = nullptr;
    EXPECT_EQ(RasDialA(nullptr, nullptr, &params, 0, nullptr, nullptr), kRasInvalidParameter);
    EXPECT_EQ(RasDialA(nullptr, nullptr, nullptr, 0, nullptr, &handle), kRasInvalidParameter);
    static int notifier = 0;  // asynchronous dials are not simulated
    EXPECT_EQ(RasDialA(nullptr, nullptr, &params, 1, &notifier, &handle), kRasInvalidParameter);
    handle = reinterpret_cast<HRASCONN>(std::uintptr_t(0x1234));
    EXPECT_EQ(RasDialA(nullptr, nullptr, &params, 0, nullptr, &handle), kRasInvalidParameter);
    EXPECT_EQ(Dial(Params("没有这个连接"), handle), kRasCannotFindEntry);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(Dial(Params(""), handle), kRasCannotFindEntry);
    EXPECT_TRUE(sim::Connections().empty());
    EXPECT_EQ(RasHangUpA(reinterpret_cast<HRASCONN>(std::uintptr_t(0x1234))), kRasInvalidHandle);
}

TEST_F(SimRasApiTest, AFieldWithoutItsZeroIsRefusedAndFlagged) {
    RASDIALPARAMSA params = Params("宽带连接");
    std::memset(params.szUserName, 'u', sizeof params.szUserName);
    HRASCONN handle = nullptr;
    EXPECT_EQ(RasDialA(nullptr, nullptr, &params, 0, nullptr, &handle), kRasInvalidParameter);
    const auto dials = sim::Calls(sim::RasFunction::Dial);
    ASSERT_EQ(dials.size(), 1u);
    EXPECT_NE(dials[0].flags & sim::kUnterminatedField, 0u);
    EXPECT_EQ(dials[0].userName, std::string(256, 'u'));
}

TEST_F(SimRasApiTest, SynchronousDialPassesThroughTheIntermediateStates) {
    sim::SetDelays(700, 0);
    std::atomic<bool> done{false};
    DWORD result = 1;
    HRASCONN handle = nullptr;
    std::thread dialler([&] {
        result = Dial(Params("电信ADSL"), handle);
        done = true;
    });
    std::vector<std::uint32_t> seen;
    while (!done) {
        for (const sim::Connection& c : sim::Connections()) {
            if (seen.empty() || seen.back() != c.state) {
                seen.push_back(c.state);
            }
        }
        Sleep(5);
    }
    dialler.join();
    ASSERT_EQ(result, 0u);
    EXPECT_EQ(StatusOf(handle).state, RASCS_Connected);
    ASSERT_GE(seen.size(), 4u);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_NE(std::find(seen.begin(), seen.end(), RASCS_Authenticate), seen.end());
}

TEST_F(SimRasApiTest, HandleStaysValidUntilItsHangUpCompletesAndIsNeverReused) {
    sim::SetDelays(0, 300);
    HRASCONN handle = nullptr;
    ASSERT_EQ(Dial(Params("宽带连接"), handle), 0u);
    EXPECT_EQ(RasHangUpA(handle), 0u);
    const Status during = StatusOf(handle);
    EXPECT_EQ(during.result, 0u);
    EXPECT_EQ(during.state, RASCS_Disconnected);
    EXPECT_TRUE(
        qv::testing::WaitUntil([&] { return StatusOf(handle).result == kRasInvalidHandle; }, 2000));
    EXPECT_EQ(RasHangUpA(handle), kRasInvalidHandle);

    HRASCONN next = nullptr;
    ASSERT_EQ(Dial(Params("宽带连接"), next), 0u);
    EXPECT_NE(next, handle);
}

TEST_F(SimRasApiTest, HangUpThatNeverCompletesKeepsTheHandle) {
    sim::SetHangUpNeverCompletes(true);
    const auto handle = reinterpret_cast<HRASCONN>(sim::AddExternalConnection("宽带连接"));
    EXPECT_EQ(RasHangUpA(handle), 0u);
    qv::testing::PumpFor(400);
    EXPECT_EQ(StatusOf(handle).result, 0u);
    EXPECT_EQ(StatusOf(handle).state, RASCS_Disconnected);
    sim::ClearConnections();
    EXPECT_EQ(StatusOf(handle).result, kRasInvalidHandle);
}

TEST_F(SimRasApiTest, FailedDialsLeaveAListedHandleWithTheirError) {
    sim::SetCredentials({{"adsl01", "secret"}, {"adsl02", "其它"}});
    const struct {
        const char* name;
        void (*arrange)();
        const char* user;
        const char* password;
        DWORD error;
    } rows[] = {
        {"accepted", [] {}, "adsl02", "其它", 0},
        {"wrong password", [] {}, "adsl01", "nope", kRasAuthenticationFailure},
        {"unknown user", [] {}, "nobody", "secret", kRasAuthenticationFailure},
        {"next dial fails", [] { sim::FailNextDials(1, 651); }, "adsl01", "secret", 651},
        {"offline", [] { sim::SetOffline(true); }, "adsl01", "secret", kRasNoAnswer},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim::ClearConnections();
        sim::SetOffline(false);
        row.arrange();
        HRASCONN handle = nullptr;
        EXPECT_EQ(Dial(Params("宽带连接", "", row.user, row.password), handle), row.error);
        ASSERT_NE(handle, nullptr);
        const Status status = StatusOf(handle);
        EXPECT_EQ(status.result, 0u);
        EXPECT_EQ(status.state, row.error == 0 ? RASCS_Connected : RASCS_Disconnected);
        EXPECT_EQ(status.error, row.error);
        ASSERT_EQ(sim::Connections().size(), 1u);
        EXPECT_EQ(RasHangUpA(handle), 0u);
        EXPECT_TRUE(sim::Connections().empty());
    }
}

TEST_F(SimRasApiTest, AnyErrorCodeIsTheDialsResultAndItsConnectionsError) {
    for (DWORD code : {691u, 633u, 797u, 678u, 651u, 815u, 619u, 718u, 734u, 769u, 1234u}) {
        SCOPED_TRACE(code);
        sim::FailNextDials(1, code);
        HRASCONN handle = nullptr;
        EXPECT_EQ(Dial(Params("宽带连接"), handle), code);
        EXPECT_EQ(StatusOf(handle).error, code);
        EXPECT_EQ(sim::Calls(sim::RasFunction::Dial).back().result, code);
        RasHangUpA(handle);
    }
}

TEST_F(SimRasApiTest, PortIsBusyForAWhileAfterAHangUpStarts) {
    sim::SetPortBusyAfterHangUp(400);
    HRASCONN handle = nullptr;
    ASSERT_EQ(Dial(Params("宽带连接"), handle), 0u);
    ASSERT_EQ(RasHangUpA(handle), 0u);
    const DWORD hungUp = GetTickCount();
    // Failed dials hold no port: hanging them up does not make the port busy for longer.
    DWORD result = 0;
    while ((result = Dial(Params("宽带连接"), handle)) == kRasPortNotAvailable &&
           GetTickCount() - hungUp < 3000) {
        EXPECT_EQ(StatusOf(handle).error, kRasPortNotAvailable);
        RasHangUpA(handle);
        qv::testing::PumpFor(20);
    }
    EXPECT_EQ(result, 0u);
    const DWORD elapsed = GetTickCount() - hungUp;
    EXPECT_GE(elapsed, 380u);
    EXPECT_LT(elapsed, 1500u);

    // A failed dial's hang-up alone leaves the port free.
    sim::ClearConnections();
    sim::SetPortBusyAfterHangUp(60000);
    sim::FailNextDials(1, 651);
    EXPECT_EQ(Dial(Params("宽带连接"), handle), 651u);
    RasHangUpA(handle);
    EXPECT_EQ(Dial(Params("宽带连接"), handle), 0u);
}

TEST_F(SimRasApiTest, ConnectionEndsSetTheEventsRegisteredForThem) {
    enum class End { DropFirst, DropSecond, HangUpFirst, DropAllByCommand, Unnotified, Stuck };
    const struct {
        const char* name;
        bool all;  // registered for every connection, else for the first one
        End end;
        bool set;
    } rows[] = {
        {"dropped", false, End::DropFirst, true},
        {"any dropped", true, End::DropSecond, true},
        {"another one dropped", false, End::DropSecond, false},
        {"hung up", false, End::HangUpFirst, true},
        {"dropped by the control command", true, End::DropAllByCommand, true},
        {"notifications off", true, End::Unnotified, false},
        {"hang-up never completes", true, End::Stuck, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        sim::Reset();
        const std::uintptr_t first = sim::AddExternalConnection("宽带连接");
        const std::uintptr_t second = sim::AddExternalConnection("电信ADSL");
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        Register(row.all ? sim::kAllConnections : first, event);
        sim::SetNotificationsOn(row.end != End::Unnotified);
        sim::SetHangUpNeverCompletes(row.end == End::Stuck);
        if (row.end == End::DropSecond) {
            sim::DropConnection(second);
        } else if (row.end == End::DropAllByCommand) {
            qv::testing::RunCapturingOutput(
                "\"" + qv::testing::ProgramDirectory() + "\\ispctl.exe\" drop all", nullptr, 10000);
        } else if (row.end == End::HangUpFirst || row.end == End::Stuck) {
            RasHangUpA(reinterpret_cast<HRASCONN>(first));
        } else {
            sim::DropConnection(first);
        }
        EXPECT_EQ(WaitForSingleObject(event, row.set ? 5000 : 300),
                  row.set ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
        CloseHandle(event);
    }
}

TEST_F(SimRasApiTest, EventIsSetWhenTheHangUpCompletesNotWhenItStarts) {
    sim::SetDelays(0, 400);
    const auto handle = reinterpret_cast<HRASCONN>(sim::AddExternalConnection("宽带连接"));
    HANDLE event = Register(sim::kAllConnections, CreateEventA(nullptr, TRUE, FALSE, nullptr));
    const DWORD start = GetTickCount();
    ASSERT_EQ(RasHangUpA(handle), 0u);
    EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    EXPECT_GE(GetTickCount() - start, 380u);
    EXPECT_EQ(StatusOf(handle).result, kRasInvalidHandle);
    CloseHandle(event);
}

TEST_F(SimRasApiTest, ConnectionNotificationChecksItsArgumentsAndIsLogged) {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const auto bogus = reinterpret_cast<HRASCONN>(std::uintptr_t(0x1234));
    const struct {
        HRASCONN connection;
        HANDLE event;
        DWORD flags;
        DWORD result;
    } rows[] = {
        {INVALID_HANDLE_VALUE, nullptr, kRasNotifyDisconnection, kRasInvalidParameter},
        {INVALID_HANDLE_VALUE, event, 0, kRasInvalidParameter},
        {INVALID_HANDLE_VALUE, event, 16, kRasInvalidParameter},
        {bogus, event, kRasNotifyDisconnection, kRasInvalidHandle},
        {nullptr, event, kRasNotifyDisconnection, kRasInvalidHandle},
        {INVALID_HANDLE_VALUE, event, kRasNotifyDisconnection, 0},
    };
    sim::ClearCalls();
    for (const auto& row : rows) {
        EXPECT_EQ(RasConnectionNotificationA(row.connection, row.event, row.flags), row.result);
    }
    const auto calls = sim::Calls(sim::RasFunction::ConnectionNotification);
    ASSERT_EQ(calls.size(), std::size(rows));
    EXPECT_EQ(calls.back().handle, sim::kAllConnections);
    EXPECT_EQ(calls.back().notifierType, kRasNotifyDisconnection);
    EXPECT_EQ(calls.back().pid, GetCurrentProcessId());
    EXPECT_EQ(calls[3].handle, 0x1234u);
    bool listed = false;
    for (const sim::Notification& n : sim::Notifications()) {
        listed |= n.pid == GetCurrentProcessId() && n.connection == sim::kAllConnections;
    }
    EXPECT_TRUE(listed);
    CloseHandle(event);
}

TEST_F(SimRasApiTest, NextDialsFailThenTheLineRecovers) {
    sim::FailNextDials(2, 651);
    HRASCONN handle = nullptr;
    for (DWORD expected : {651u, 651u, 0u, 0u}) {
        EXPECT_EQ(Dial(Params("宽带连接"), handle), expected);
        RasHangUpA(handle);
    }
}

TEST_F(SimRasApiTest, AddressesComeFromThePoolInTurnUnlessKept) {
    sim::SetAddressPool({"203.0.113.1", "203.0.113.2", "203.0.113.3"});
    auto dialAddress = [] {
        HRASCONN handle = nullptr;
        sim::ClearConnections();
        EXPECT_EQ(Dial(Params("宽带连接"), handle), 0u);
        return sim::PublicAddress();
    };
    EXPECT_EQ(dialAddress(), "203.0.113.1");
    EXPECT_EQ(dialAddress(), "203.0.113.2");
    sim::KeepAddressOnNextDial();
    EXPECT_EQ(dialAddress(), "203.0.113.2");
    EXPECT_EQ(dialAddress(), "203.0.113.3");
    EXPECT_EQ(dialAddress(), "203.0.113.1");
    // A failed dial does not use up the kept address.
    sim::KeepAddressOnNextDial();
    sim::FailNextDials(1);
    HRASCONN failed = nullptr;
    EXPECT_NE(Dial(Params("宽带连接"), failed), 0u);
    EXPECT_EQ(dialAddress(), "203.0.113.1");
}

TEST_F(SimRasApiTest, OtherProgramsConnectionsAndStuckOnesAreListed) {
    const auto external = sim::AddExternalConnection("电信ADSL", "198.51.100.9");
    const auto stuck = sim::AddStuckConnection("联通宽带");
    qv::testing::PumpFor(200);
    RASCONNA connections[kListingRecords] = {};
    connections[0].dwSize = sizeof(RASCONNA);
    DWORD size = sizeof connections;
    DWORD count = 0;
    ASSERT_EQ(RasEnumConnectionsA(connections, &size, &count), 0u);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(size, 2 * sizeof(RASCONNA));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(connections[0].hrasconn), external);
    EXPECT_STREQ(connections[0].szEntryName, "电信ADSL");
    EXPECT_STREQ(connections[0].szDeviceType, "PPPoE");
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(connections[1].hrasconn), stuck);
    EXPECT_EQ(StatusOf(connections[0].hrasconn).state, RASCS_Connected);
    EXPECT_EQ(StatusOf(connections[1].hrasconn).state, RASCS_Authenticate);
    EXPECT_EQ(sim::PublicAddress(), "198.51.100.9");
}

TEST_F(SimRasApiTest, DroppedLineReportsDisconnectedUntilHungUp) {
    HRASCONN handle = nullptr;
    ASSERT_EQ(Dial(Params("宽带连接"), handle), 0u);
    ASSERT_TRUE(sim::DropConnection(reinterpret_cast<std::uintptr_t>(handle)));
    const Status status = StatusOf(handle);
    EXPECT_EQ(status.state, RASCS_Disconnected);
    EXPECT_EQ(status.error, kRasRemoteDisconnection);
    EXPECT_EQ(sim::PublicAddress(), "");
    EXPECT_EQ(sim::Connections().size(), 1u);
    EXPECT_EQ(RasHangUpA(handle), 0u);
    EXPECT_TRUE(sim::Connections().empty());
}

TEST_F(SimRasApiTest, EchoAddressFollowsRouterAndOfflineModes) {
    EXPECT_EQ(sim::PublicAddress(), "");
    sim::SetRouterMode(true, "198.51.100.50");
    EXPECT_EQ(sim::PublicAddress(), "198.51.100.50");
    sim::AddExternalConnection("宽带连接", "203.0.113.77");
    EXPECT_EQ(sim::PublicAddress(), "203.0.113.77");
    sim::SetOffline(true);
    EXPECT_EQ(sim::PublicAddress(), "");
}

TEST_F(SimRasApiTest, PhoneNumberDialIsNamedAfterTheNumber) {
    HRASCONN handle = nullptr;
    ASSERT_EQ(Dial(Params("", "95511"), handle), 0u);
    const auto connections = sim::Connections();
    ASSERT_EQ(connections.size(), 1u);
    EXPECT_EQ(connections[0].entryName, ".95511");
}

TEST_F(SimRasApiTest, EveryCallIsLoggedWithItsArguments) {
    RASDIALPARAMSA params = Params("电信ADSL", "", "adsl@gd", "密码");
    std::strcpy(params.szCallbackNumber, "123");
    std::strcpy(params.szDomain, "WORK");
    HRASCONN handle = nullptr;
    sim::ClearCalls();
    ASSERT_EQ(RasDialA(nullptr, nullptr, &params, 0, nullptr, &handle), 0u);
    StatusOf(handle);
    RasHangUpA(handle);
    const auto calls = sim::Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].function, sim::RasFunction::Dial);
    EXPECT_EQ(calls[0].pid, GetCurrentProcessId());
    EXPECT_EQ(calls[0].entryName, "电信ADSL");
    EXPECT_EQ(calls[0].userName, "adsl@gd");
    EXPECT_EQ(calls[0].password, "密码");
    EXPECT_EQ(calls[0].callbackNumber, "123");
    EXPECT_EQ(calls[0].domain, "WORK");
    EXPECT_EQ(calls[0].handle, reinterpret_cast<std::uintptr_t>(handle));
    EXPECT_EQ(calls[0].result, 0u);
    EXPECT_EQ(calls[1].function, sim::RasFunction::GetConnectStatus);
    EXPECT_EQ(calls[1].state, RASCS_Connected);
    EXPECT_EQ(calls[2].function, sim::RasFunction::HangUp);
    EXPECT_EQ(calls[2].handle, calls[0].handle);
    EXPECT_EQ(sim::CallCount(sim::RasFunction::Dial), 1u);
}

TEST_F(SimRasApiTest, CallCountsRunPastTheLogsEnd) {
    sim::ClearCalls();
    for (int i = 0; i < sim::kCallLogCapacity + 10; ++i) {
        StatusOf(nullptr);
    }
    EXPECT_EQ(sim::CallCount(sim::RasFunction::GetConnectStatus),
              static_cast<std::uint32_t>(sim::kCallLogCapacity + 10));
    const auto calls = sim::Calls();
    ASSERT_EQ(calls.size(), static_cast<std::size_t>(sim::kCallLogCapacity));
    EXPECT_EQ(calls.front().sequence, 10u);
}

}  // namespace
