#include "sim_control.h"

#include <windows.h>

#include <cstring>

#include "dialup/ras_records.h"
#include "sim_shared.h"

namespace qv::sim {
namespace {

// Runs `action` on the locked state; does nothing when the state cannot be reached.
template <typename Action>
void WithState(Action action) {
    Shared* shared = Shared::Get();
    if (shared == nullptr) {
        return;
    }
    Lock lock(*shared);
    if (lock) {
        action(*lock);
    }
}

std::uintptr_t AddConnection(const std::string& entryName, const std::string& address, bool stuck) {
    std::uintptr_t handle = 0;
    WithState([&](SimLayout& s) {
        SimConnection* c = NewConnection(s, entryName.c_str());
        if (c == nullptr) {
            return;
        }
        c->ownerPid = 0;
        c->external = 1;
        c->stuckInAuthentication = stuck ? 1 : 0;
        if (!stuck) {
            if (address.empty()) {
                AssignAddress(s, c->address);
            } else {
                CopyText(c->address, address.c_str());
            }
        }
        handle = c->handle;
    });
    return handle;
}

RasCall ToCall(const SimCall& c) {
    RasCall call;
    call.sequence = c.sequence;
    call.function = static_cast<RasFunction>(c.function);
    call.pid = c.pid;
    call.tick = c.tick;
    call.result = c.result;
    call.handle = c.handle;
    call.handleIn = c.handleIn;
    call.recordSize = c.recordSize;
    call.bufferSize = c.bufferSize;
    call.bufferSizeOut = c.bufferSizeOut;
    call.count = c.count;
    call.state = c.state;
    call.notifierType = c.notifierType;
    call.flags = c.flags;
    call.entryName = c.entryName;
    call.phoneNumber = c.phoneNumber;
    call.callbackNumber = c.callbackNumber;
    call.userName = c.userName;
    call.password = c.password;
    call.domain = c.domain;
    return call;
}

std::string EventName() {
    char name[160];
    ObjectName("QuorvaneSimIsp.Stop", name, sizeof name);
    return name;
}

bool WaitForPidGone(std::uint32_t pid, std::uint32_t timeoutMs) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process != nullptr) {
        const bool gone = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
        CloseHandle(process);
        return gone;
    }
    return true;
}

}  // namespace

bool Attach() {
    return Shared::Get() != nullptr;
}

void Reset() {
    WithState([](SimLayout& s) {
        ResetScenario(s);
        ResetLine(s);
        ResetCalls(s);
    });
}

void SetEntries(const std::vector<std::string>& names) {
    WithState([&](SimLayout& s) {
        std::memset(s.entries, 0, sizeof s.entries);
        s.entryCount = 0;
        for (const std::string& name : names) {
            if (s.entryCount == kMaxEntries) {
                break;
            }
            CopyText(s.entries[s.entryCount++], name.c_str());
        }
    });
}

void SetCredentials(const std::vector<Credential>& accepted) {
    WithState([&](SimLayout& s) {
        std::memset(s.credentials, 0, sizeof s.credentials);
        s.credentialCount = 0;
        for (const Credential& credential : accepted) {
            if (s.credentialCount == kMaxCredentials) {
                break;
            }
            SimCredential& slot = s.credentials[s.credentialCount++];
            CopyText(slot.userName, credential.userName.c_str());
            CopyText(slot.password, credential.password.c_str());
        }
    });
}

void SetDelays(std::uint32_t connectMs, std::uint32_t hangUpMs) {
    WithState([&](SimLayout& s) {
        s.connectDelayMs = connectMs;
        s.hangUpDelayMs = hangUpMs;
    });
}

void FailNextDials(std::uint32_t count, std::uint32_t error) {
    WithState([&](SimLayout& s) {
        s.failNextCount = count;
        s.failNextError = error != 0 ? error : kDefaultFailError;  // 0 would read as success
    });
}

void KeepAddressOnNextDial() {
    WithState([](SimLayout& s) { s.keepAddressNext = 1; });
}

void SetAddressPool(const std::vector<std::string>& addresses) {
    WithState([&](SimLayout& s) {
        std::memset(s.pool, 0, sizeof s.pool);
        s.poolCount = 0;
        s.poolCursor = 0;
        for (const std::string& address : addresses) {
            if (s.poolCount == kMaxPool) {
                break;
            }
            CopyText(s.pool[s.poolCount++], address.c_str());
        }
    });
}

void SetHangUpNeverCompletes(bool on) {
    WithState([&](SimLayout& s) { s.hangUpNever = on ? 1 : 0; });
}

void SetRouterMode(bool on, const std::string& address) {
    WithState([&](SimLayout& s) {
        s.routerMode = on ? 1 : 0;
        CopyText(s.routerAddress, address.c_str());
    });
}

void SetOffline(bool on) {
    WithState([&](SimLayout& s) { s.offline = on ? 1 : 0; });
}

void SetPortBusyAfterHangUp(std::uint32_t ms) {
    WithState([&](SimLayout& s) { s.busyAfterHangUpMs = ms; });
}

void SetNotificationsOn(bool on) {
    WithState([&](SimLayout& s) { s.notifyOff = on ? 0 : 1; });
}

void SetPageDelay(std::uint32_t ms) {
    WithState([&](SimLayout& s) { s.pageDelayMs = ms; });
}

void SetPageGarbage(bool on) {
    WithState([&](SimLayout& s) { s.pageGarbage = on ? 1 : 0; });
}

Knobs ReadKnobs() {
    Knobs knobs;
    WithState([&](SimLayout& s) {
        for (std::uint32_t i = 0; i < s.entryCount && i < kMaxEntries; ++i) {
            knobs.entries.emplace_back(s.entries[i]);
        }
        for (std::uint32_t i = 0; i < s.credentialCount && i < kMaxCredentials; ++i) {
            knobs.credentials.push_back({s.credentials[i].userName, s.credentials[i].password});
        }
        knobs.connectDelayMs = s.connectDelayMs;
        knobs.hangUpDelayMs = s.hangUpDelayMs;
        knobs.failNextCount = s.failNextCount;
        knobs.failNextError = s.failNextError;
        knobs.keepAddressNext = s.keepAddressNext != 0;
        for (std::uint32_t i = 0; i < s.poolCount && i < kMaxPool; ++i) {
            knobs.pool.emplace_back(s.pool[i]);
        }
        knobs.lastAddress = s.lastAddress;
        knobs.hangUpNeverCompletes = s.hangUpNever != 0;
        knobs.routerMode = s.routerMode != 0;
        knobs.routerAddress = s.routerAddress;
        knobs.offline = s.offline != 0;
        knobs.busyAfterHangUpMs = s.busyAfterHangUpMs;
        knobs.notificationsOn = s.notifyOff == 0;
        knobs.pageDelayMs = s.pageDelayMs;
        knobs.pageGarbage = s.pageGarbage != 0;
    });
    return knobs;
}

std::uintptr_t AddExternalConnection(const std::string& entryName, const std::string& address) {
    return AddConnection(entryName, address, false);
}

std::uintptr_t AddStuckConnection(const std::string& entryName) {
    return AddConnection(entryName, std::string(), true);
}

bool DropConnection(std::uintptr_t handle) {
    bool found = false;
    WithState([&](SimLayout& s) {
        SimConnection* c = FindConnection(s, static_cast<std::uint32_t>(handle));
        if (c != nullptr) {
            c->dropped = 1;
            SignalEnd(s, *c);
            found = true;
        }
    });
    return found;
}

void ClearConnections() {
    WithState([](SimLayout& s) { ResetLine(s); });
}

std::vector<Connection> Connections() {
    std::vector<Connection> list;
    WithState([&](SimLayout& s) {
        SimConnection* ordered[kMaxConnections];
        const int count = OrderedConnections(s, ordered);
        const std::uint32_t now = Now();
        for (int i = 0; i < count; ++i) {
            const SimConnection& c = *ordered[i];
            Connection connection;
            connection.handle = c.handle;
            connection.state = StateOf(c, now, &connection.error);
            connection.entryName = c.entryName;
            connection.userName = c.userName;
            connection.address = c.address;
            connection.ownerPid = c.ownerPid;
            connection.external = c.external != 0;
            connection.hangingUp = c.hangingUp != 0;
            list.push_back(connection);
        }
    });
    return list;
}

std::vector<Notification> Notifications() {
    std::vector<Notification> list;
    WithState([&](SimLayout& s) {
        for (const SimNotification& n : s.notifications) {
            if (n.inUse) {
                list.push_back({n.pid, n.connection, n.flags});
            }
        }
    });
    return list;
}

std::vector<RasCall> Calls() {
    std::vector<RasCall> list;
    WithState([&](SimLayout& s) {
        const std::uint32_t kept = s.callTotal < kCallLogCapacity ? s.callTotal : kCallLogCapacity;
        for (std::uint32_t sequence = s.callTotal - kept; sequence != s.callTotal; ++sequence) {
            list.push_back(ToCall(s.calls[sequence % kCallLogCapacity]));
        }
    });
    return list;
}

std::vector<RasCall> Calls(RasFunction function) {
    std::vector<RasCall> list;
    for (RasCall& call : Calls()) {
        if (call.function == function) {
            list.push_back(std::move(call));
        }
    }
    return list;
}

std::uint32_t CallCount(RasFunction function) {
    std::uint32_t count = 0;
    WithState([&](SimLayout& s) {
        const auto slot = static_cast<std::uint32_t>(function);
        count = slot < kRasFunctionSlots ? s.callCounts[slot] : 0;
    });
    return count;
}

void ClearCalls() {
    WithState([](SimLayout& s) { ResetCalls(s); });
}

const char* FunctionName(RasFunction function) {
    switch (function) {
        case RasFunction::EnumEntries:
            return "RasEnumEntriesA";
        case RasFunction::Dial:
            return "RasDialA";
        case RasFunction::EnumConnections:
            return "RasEnumConnectionsA";
        case RasFunction::GetConnectStatus:
            return "RasGetConnectStatusA";
        case RasFunction::HangUp:
            return "RasHangUpA";
        case RasFunction::ConnectionNotification:
            return "RasConnectionNotificationA";
    }
    return "?";
}

std::string PublicAddress() {
    std::string address;
    WithState([&](SimLayout& s) { address = sim::PublicAddress(s, Now()); });
    return address;
}

std::uint32_t PageFetches() {
    std::uint32_t count = 0;
    WithState([&](SimLayout& s) { count = s.pageFetches; });
    return count;
}

std::uint32_t ErrorPageFetches() {
    std::uint32_t count = 0;
    WithState([&](SimLayout& s) { count = s.errorPageFetches; });
    return count;
}

std::string LastPageAddress() {
    std::string address;
    WithState([&](SimLayout& s) { address = s.lastPageAddress; });
    return address;
}

std::uint32_t IspPid() {
    std::uint32_t pid = 0;
    WithState([&](SimLayout& s) { pid = s.ispPid; });
    return pid;
}

std::uint32_t IspPort() {
    std::uint32_t port = 0;
    WithState([&](SimLayout& s) { port = s.ispPort; });
    return port;
}

IspProcess::IspProcess(std::uint16_t port, const std::string& directory) : port_(port) {
    if (!Attach()) {
        return;
    }
    std::string dir = directory;
    if (dir.empty()) {
        char path[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, path, MAX_PATH);
        dir = path;
        const auto slash = dir.find_last_of("\\/");
        dir = slash == std::string::npos ? "." : dir.substr(0, slash);
    }
    std::string command = "\"" + dir + "\\isp.exe\" --port " + std::to_string(port);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info)) {
        return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    // Ready once it has announced itself in the shared state, or failed when it exits first.
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 10000) {
        if (IspPid() == info.dwProcessId && IspPort() == port) {
            running_ = true;
            return;
        }
        if (WaitForSingleObject(process_, 20) == WAIT_OBJECT_0) {
            return;
        }
    }
}

IspProcess::~IspProcess() {
    if (process_ == nullptr) {
        return;
    }
    if (HANDLE stop = OpenEventA(EVENT_MODIFY_STATE, FALSE, EventName().c_str())) {
        SetEvent(stop);
        CloseHandle(stop);
    }
    if (WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    // A killed ISP could not sign off itself.
    const DWORD pid = GetProcessId(process_);
    WithState([pid](SimLayout& s) {
        if (s.ispPid == pid) {
            s.ispPid = 0;
            s.ispPort = 0;
        }
    });
    CloseHandle(process_);
}

std::string IspProcess::EchoUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/ic.asp";
}

std::string IspProcess::ErrorPageUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/html.asp";
}

bool StopIsp(std::uint32_t timeoutMs) {
    const std::uint32_t pid = IspPid();
    if (pid == 0) {
        return true;
    }
    HANDLE stop = OpenEventA(EVENT_MODIFY_STATE, FALSE, EventName().c_str());
    if (stop == nullptr) {
        return false;
    }
    SetEvent(stop);
    CloseHandle(stop);
    return WaitForPidGone(pid, timeoutMs);
}

}  // namespace qv::sim
