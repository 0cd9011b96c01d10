#pragma once
// Control of the simulated ISP for tests and the control command: the scenario knobs, the
// line's connections, the log of every RAS call, and the ISP process with its echo page.
// Every function attaches to the shared state on first use and keeps it for the life of the
// process, so what a test sets stays set while the test runs.
#include <cstdint>
#include <string>
#include <vector>

#include "sim_layout.h"

namespace qv::sim {

struct Credential {
    std::string userName;
    std::string password;
};

struct Knobs {
    std::vector<std::string> entries;
    std::vector<Credential> credentials;  // empty: every account and password is accepted
    std::uint32_t connectDelayMs = 0;
    std::uint32_t hangUpDelayMs = 0;
    std::uint32_t failNextCount = 0;
    std::uint32_t failNextError = kDefaultFailError;
    bool keepAddressNext = false;
    std::vector<std::string> pool;
    std::string lastAddress;
    bool hangUpNeverCompletes = false;
    bool routerMode = false;
    std::string routerAddress;
    bool offline = false;
    std::uint32_t busyAfterHangUpMs = 0;
    bool notificationsOn = true;
    std::uint32_t pageDelayMs = 0;
    bool pageGarbage = false;
};

struct Connection {
    std::uintptr_t handle = 0;
    std::uint32_t state = 0;  // RASCS_*
    std::uint32_t error = 0;
    std::string entryName;
    std::string userName;
    std::string address;
    std::uint32_t ownerPid = 0;
    bool external = false;
    bool hangingUp = false;
};

// An event registered with RasConnectionNotificationA.
struct Notification {
    std::uint32_t pid = 0;
    std::uintptr_t connection = 0;  // kAllConnections: every connection
    std::uint32_t flags = 0;        // RASCN_*
};

struct RasCall {
    std::uint32_t sequence = 0;
    RasFunction function = RasFunction::EnumEntries;
    std::uint32_t pid = 0;
    std::uint32_t tick = 0;
    std::uint32_t result = 0;  // kResultPending while a dial runs
    std::uintptr_t handle = 0;
    std::uintptr_t handleIn = 0;
    std::uint32_t recordSize = 0;
    std::uint32_t bufferSize = 0;
    std::uint32_t bufferSizeOut = 0;
    std::uint32_t count = 0;
    std::uint32_t state = 0;
    std::uint32_t notifierType = 0;  // RasConnectionNotificationA: its RASCN_* flags
    std::uint32_t flags = 0;         // k...Given, kUnterminatedField
    std::string entryName;
    std::string phoneNumber;
    std::string callbackNumber;
    std::string userName;
    std::string password;
    std::string domain;
};

// False when the shared state cannot be opened; every other function then does nothing.
bool Attach();

// The default scenario: no entries, any credentials, no delays, no failures, the default
// address pool, no modes, no connections, an empty call log and page count.
void Reset();

void SetEntries(const std::vector<std::string>& names);  // at most kMaxEntries, names cut to 256
void SetCredentials(const std::vector<Credential>& accepted);  // empty: accept any
void SetDelays(std::uint32_t connectMs, std::uint32_t hangUpMs);
// Any error code: the dial's result and its connection's dwError (0 means the default).
void FailNextDials(std::uint32_t count, std::uint32_t error = kDefaultFailError);
// For `ms` after the start of a hang-up that frees a port, dials fail at once with 633 (their
// handle stays listed, as any failed dial's). Hanging up a dial that had already failed frees
// no port and does not start the time again. 0: never busy.
void SetPortBusyAfterHangUp(std::uint32_t ms);
void KeepAddressOnNextDial();  // the next successful dial gets the previous address again
void SetAddressPool(const std::vector<std::string>& addresses);  // handed out in turn
void SetHangUpNeverCompletes(bool on);  // applies to hang-ups started from now on
void SetRouterMode(bool on, const std::string& address = kDefaultRouterAddress);
void SetOffline(bool on);
// Off: RasConnectionNotificationA still registers, but no event is ever set (a system whose
// notice does not arrive). Per-connection registrations are used up as if they had fired.
void SetNotificationsOn(bool on);
// The echo page (/ic.asp) answers `ms` after it was asked, with the line as it is then.
void SetPageDelay(std::uint32_t ms);
// The echo page shows "[<b>Server Error</b>]": text between the brackets, but no address.
void SetPageGarbage(bool on);
Knobs ReadKnobs();

// A connection "made by another program": established at once, with `address` or the next
// one from the pool. Returns its handle (0 when the line has no free slot).
std::uintptr_t AddExternalConnection(const std::string& entryName,
                                     const std::string& address = std::string());
// A connection that stays in authentication until it is hung up.
std::uintptr_t AddStuckConnection(const std::string& entryName);
// The line drops: the connection reports RASCS_Disconnected with error 629, and its handle
// stays valid until it is hung up; the events registered for its end are set. False when
// there is no such connection.
bool DropConnection(std::uintptr_t handle);
// The line is empty at once, stuck hang-ups included; the connections' ends are signalled.
void ClearConnections();
std::vector<Connection> Connections();  // in the order they were made

// Live registrations for connection ends (those of ended processes may still be listed).
std::vector<Notification> Notifications();

std::vector<RasCall> Calls();  // oldest first, as far as the ring reaches back
std::vector<RasCall> Calls(RasFunction function);
std::uint32_t CallCount(RasFunction function);  // counts past the ring's end too
void ClearCalls();
const char* FunctionName(RasFunction function);

// What the echo page would show now, and how often it was fetched.
std::string PublicAddress();
std::uint32_t PageFetches();
std::string LastPageAddress();  // empty after a garbage answer
// Fetches of /html.asp, the error page without an address.
std::uint32_t ErrorPageFetches();

// The running ISP process, if any (pid 0 when none).
std::uint32_t IspPid();
std::uint32_t IspPort();

// Starts isp.exe from `directory` (the test program's own by default) serving on
// 127.0.0.1:`port`, and waits until it answers; stops it again when destroyed.
class IspProcess {
  public:
    explicit IspProcess(std::uint16_t port = kDefaultPort, const std::string& directory = "");
    ~IspProcess();
    IspProcess(const IspProcess&) = delete;
    IspProcess& operator=(const IspProcess&) = delete;
    bool Running() const { return running_; }
    std::uint16_t Port() const { return port_; }
    std::string EchoUrl() const;       // http://127.0.0.1:<port>/ic.asp
    std::string ErrorPageUrl() const;  // http://127.0.0.1:<port>/html.asp

  private:
    void* process_ = nullptr;
    std::uint16_t port_;
    bool running_ = false;
};

// Asks a running ISP process to stop and waits up to `timeoutMs` for it to go.
bool StopIsp(std::uint32_t timeoutMs = 5000);

}  // namespace qv::sim
