#include "sim_shared.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "dialup/ras_records.h"

namespace qv::sim {
namespace {

// Long enough for any holder (a dial sleeps outside the lock), short enough that a stuck
// test fails instead of hanging.
constexpr DWORD kLockTimeoutMs = 10000;

void InitialiseLayout(SimLayout& s) {
    std::memset(&s, 0, sizeof s);
    s.magic = kMagic;
    s.version = kLayoutVersion;
    s.layoutSize = sizeof s;
    ResetScenario(s);
    ResetLine(s);
    ResetCalls(s);
}

Shared OpenShared() {
    Shared shared;
    char name[160];
    ObjectName("QuorvaneSimIsp.Lock", name, sizeof name);
    shared.mutex = CreateMutexA(nullptr, FALSE, name);
    if (shared.mutex == nullptr) {
        return shared;
    }
    const DWORD wait = WaitForSingleObject(shared.mutex, kLockTimeoutMs);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
        return shared;
    }
    ObjectName("QuorvaneSimIsp.State", name, sizeof name);
    shared.mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        sizeof(SimLayout), name);
    if (shared.mapping != nullptr) {
        void* view = MapViewOfFile(shared.mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SimLayout));
        shared.layout = static_cast<SimLayout*>(view);
    }
    // A new section is all zeros; one from another build of the layout is started afresh.
    if (shared.layout != nullptr &&
        (shared.layout->magic != kMagic || shared.layout->version != kLayoutVersion ||
         shared.layout->layoutSize != sizeof(SimLayout))) {
        InitialiseLayout(*shared.layout);
    }
    ReleaseMutex(shared.mutex);
    return shared;
}

void ReapFinishedHangUps(SimLayout& s, std::uint32_t now) {
    for (SimConnection& c : s.connections) {
        if (c.inUse && c.hangingUp && !c.hangUpNever && now - c.hangUpTick >= c.hangUpMs) {
            EndConnection(s, c);
        }
    }
}

HANDLE ToKernelHandle(std::uint32_t value) {
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
}

FILETIME CreationTime(HANDLE process) {
    FILETIME creation = {}, exit = {}, kernel = {}, user = {};
    if (!GetProcessTimes(process, &creation, &exit, &kernel, &user)) {
        return FILETIME{};
    }
    return creation;
}

// The registering process, when it still runs: the same id with another creation time is
// another process, whose handle values mean nothing to us.
HANDLE OpenRegistrant(const SimNotification& n) {
    HANDLE process = OpenProcess(
        PROCESS_DUP_HANDLE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, n.pid);
    if (process == nullptr) {
        return nullptr;
    }
    const FILETIME creation = CreationTime(process);
    if (creation.dwLowDateTime != n.creationLow || creation.dwHighDateTime != n.creationHigh ||
        WaitForSingleObject(process, 0) != WAIT_TIMEOUT) {
        CloseHandle(process);
        return nullptr;
    }
    return process;
}

// Sets the registered event (unless `set` is false) and, with `release`, closes the
// registering process's duplicate. False when that process is gone.
bool Deliver(const SimNotification& n, bool set, bool release) {
    HANDLE process = OpenRegistrant(n);
    if (process == nullptr) {
        return false;
    }
    HANDLE local = nullptr;
    const DWORD options = DUPLICATE_SAME_ACCESS | (release ? DUPLICATE_CLOSE_SOURCE : 0);
    if (DuplicateHandle(process, ToKernelHandle(n.event), GetCurrentProcess(), &local, 0, FALSE,
                        options)) {
        if (set) {
            SetEvent(local);
        }
        CloseHandle(local);
    }
    CloseHandle(process);
    return true;
}

// Frees the registrations of processes that have ended; their duplicates went with them.
void ReapDeadRegistrations(SimLayout& s) {
    for (SimNotification& n : s.notifications) {
        if (n.inUse) {
            if (HANDLE process = OpenRegistrant(n)) {
                CloseHandle(process);
            } else {
                std::memset(&n, 0, sizeof n);
            }
        }
    }
}

}  // namespace

Shared* Shared::Get() {
    static Shared shared = OpenShared();
    return shared.layout != nullptr ? &shared : nullptr;
}

Lock::Lock(Shared& shared) : shared_(shared) {
    const DWORD wait = WaitForSingleObject(shared_.mutex, kLockTimeoutMs);
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    if (held_) {
        ReapFinishedHangUps(*shared_.layout, Now());
    }
}

Lock::~Lock() {
    if (held_) {
        ReleaseMutex(shared_.mutex);
    }
}

void ObjectName(const char* base, char* out, std::size_t capacity) {
    char suffix[64] = {};
    const DWORD length = GetEnvironmentVariableA("QV_SIM_NAME", suffix, sizeof suffix);
    if (length > 0 && length < sizeof suffix) {
        std::snprintf(out, capacity, "%s.%s", base, suffix);
    } else {
        std::snprintf(out, capacity, "%s", base);
    }
}

std::uint32_t Now() {
    return GetTickCount();
}

void CopyText(char* field, std::size_t capacity, const char* text) {
    if (capacity == 0) {
        return;
    }
    const std::size_t length = text ? strnlen(text, capacity - 1) : 0;
    std::memcpy(field, text ? text : "", length);
    std::memset(field + length, 0, capacity - length);
}

void ResetScenario(SimLayout& s) {
    s.entryCount = 0;
    std::memset(s.entries, 0, sizeof s.entries);
    s.credentialCount = 0;
    std::memset(s.credentials, 0, sizeof s.credentials);
    s.connectDelayMs = 0;
    s.hangUpDelayMs = 0;
    s.failNextCount = 0;
    s.failNextError = kDefaultFailError;
    s.keepAddressNext = 0;
    std::memset(s.pool, 0, sizeof s.pool);
    s.poolCount = 0;
    for (const char* address : kDefaultPool) {
        CopyText(s.pool[s.poolCount++], address);
    }
    s.poolCursor = 0;
    std::memset(s.lastAddress, 0, sizeof s.lastAddress);
    s.hangUpNever = 0;
    s.routerMode = 0;
    CopyText(s.routerAddress, kDefaultRouterAddress);
    s.offline = 0;
    s.busyAfterHangUpMs = 0;
    s.notifyOff = 0;
    s.pageDelayMs = 0;
    s.pageGarbage = 0;
    s.pageFetches = 0;
    s.errorPageFetches = 0;
    std::memset(s.lastPageAddress, 0, sizeof s.lastPageAddress);
}

void ResetLine(SimLayout& s) {
    for (SimConnection& c : s.connections) {
        if (c.inUse) {
            EndConnection(s, c);
        }
    }
    std::memset(s.connections, 0, sizeof s.connections);
    s.hangUpStarted = 0;
    s.lastHangUpTick = 0;
    if (s.nextHandleIndex == 0) {
        s.nextHandleIndex = 1;
    }
}

void ResetCalls(SimLayout& s) {
    s.callTotal = 0;
    std::memset(s.callCounts, 0, sizeof s.callCounts);
    std::memset(s.calls, 0, sizeof s.calls);
}

std::uint32_t StateOf(const SimConnection& c, std::uint32_t now, std::uint32_t* error) {
    *error = 0;
    if (c.hangingUp) {
        return RASCS_Disconnected;
    }
    if (c.dropped) {
        *error = kRasRemoteDisconnection;
        return RASCS_Disconnected;
    }
    if (c.stuckInAuthentication) {
        return RASCS_Authenticate;
    }
    const std::uint32_t elapsed = now - c.startTick;
    if (elapsed >= c.connectMs) {
        *error = c.outcome;
        return c.outcome == 0 ? RASCS_Connected : RASCS_Disconnected;
    }
    // A dial passes through these on its way, evenly spread over the connect delay.
    static constexpr std::uint32_t kSteps[] = {
        RASCS_OpenPort,        RASCS_PortOpened,          RASCS_ConnectDevice,
        RASCS_DeviceConnected, RASCS_AllDevicesConnected, RASCS_Authenticate,
        RASCS_Authenticated};
    constexpr std::uint64_t kStepCount = sizeof kSteps / sizeof kSteps[0];
    return kSteps[static_cast<std::uint64_t>(elapsed) * kStepCount / c.connectMs];
}

SimConnection* FindConnection(SimLayout& s, std::uint32_t handle) {
    if (handle == 0) {
        return nullptr;
    }
    for (SimConnection& c : s.connections) {
        if (c.inUse && c.handle == handle) {
            return &c;
        }
    }
    return nullptr;
}

SimConnection* NewConnection(SimLayout& s, const char* entryName) {
    for (SimConnection& c : s.connections) {
        if (!c.inUse) {
            std::memset(&c, 0, sizeof c);
            c.inUse = 1;
            c.handle = kHandleBase + s.nextHandleIndex++ * kHandleStep;
            c.ownerPid = GetCurrentProcessId();
            c.startTick = Now();
            CopyText(c.entryName, entryName);
            return &c;
        }
    }
    return nullptr;
}

bool HoldsPort(const SimConnection& c, std::uint32_t now) {
    std::uint32_t error = 0;
    return c.dropped || StateOf(c, now, &error) != RASCS_Disconnected;
}

bool PortBusy(const SimLayout& s, std::uint32_t now) {
    return s.busyAfterHangUpMs > 0 && s.hangUpStarted &&
           now - s.lastHangUpTick < s.busyAfterHangUpMs;
}

void SignalEnd(SimLayout& s, SimConnection& c) {
    if (!c.inUse || c.endNotified) {
        return;
    }
    c.endNotified = 1;
    for (SimNotification& n : s.notifications) {
        if (!n.inUse || (n.flags & kRasNotifyDisconnection) == 0 ||
            (n.connection != kAllConnections && n.connection != c.handle)) {
            continue;
        }
        // A registration for one connection is done once that connection has ended.
        const bool once = n.connection != kAllConnections;
        if (!Deliver(n, s.notifyOff == 0, once) || once) {
            std::memset(&n, 0, sizeof n);
        }
    }
}

void EndConnection(SimLayout& s, SimConnection& c) {
    SignalEnd(s, c);
    std::memset(&c, 0, sizeof c);
}

std::uint32_t AddNotification(SimLayout& s, std::uint32_t connection, HANDLE event,
                              std::uint32_t flags) {
    SimConnection* c = nullptr;
    if (connection != kAllConnections && (c = FindConnection(s, connection)) == nullptr) {
        return ERROR_INVALID_HANDLE;
    }
    SimNotification* slot = nullptr;
    for (int pass = 0; pass < 2 && slot == nullptr; ++pass) {
        if (pass == 1) {
            ReapDeadRegistrations(s);
        }
        for (SimNotification& n : s.notifications) {
            if (!n.inUse) {
                slot = &n;
                break;
            }
        }
    }
    if (slot == nullptr) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    HANDLE duplicate = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &duplicate, 0, FALSE,
                         DUPLICATE_SAME_ACCESS)) {
        return GetLastError();
    }
    const FILETIME creation = CreationTime(GetCurrentProcess());
    slot->inUse = 1;
    slot->pid = GetCurrentProcessId();
    slot->creationLow = creation.dwLowDateTime;
    slot->creationHigh = creation.dwHighDateTime;
    slot->event = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(duplicate));
    slot->connection = connection;
    slot->flags = flags;
    // Already over: tell at once, as no end is to come.
    if (c != nullptr && c->endNotified && (flags & kRasNotifyDisconnection)) {
        Deliver(*slot, s.notifyOff == 0, true);
        std::memset(slot, 0, sizeof *slot);
    }
    return 0;
}

bool AnyRegistration(const SimLayout& s) {
    for (const SimNotification& n : s.notifications) {
        if (n.inUse) {
            return true;
        }
    }
    return false;
}

void AssignAddress(SimLayout& s, char (&address)[kAddressField]) {
    const bool keep = s.keepAddressNext && s.lastAddress[0] != '\0';
    s.keepAddressNext = 0;
    if (!keep) {
        if (s.poolCount == 0) {
            CopyText(address, "");
            return;
        }
        CopyText(s.lastAddress, s.pool[s.poolCursor % s.poolCount]);
        s.poolCursor = (s.poolCursor + 1) % s.poolCount;
    }
    CopyText(address, s.lastAddress);
}

int OrderedConnections(SimLayout& s, SimConnection* (&out)[kMaxConnections]) {
    int count = 0;
    for (SimConnection& c : s.connections) {
        if (c.inUse) {
            out[count++] = &c;
        }
    }
    std::sort(out, out + count,
              [](const SimConnection* a, const SimConnection* b) { return a->handle < b->handle; });
    return count;
}

const char* PublicAddress(SimLayout& s, std::uint32_t now) {
    if (s.offline) {
        return "";
    }
    SimConnection* ordered[kMaxConnections];
    const int count = OrderedConnections(s, ordered);
    for (int i = 0; i < count; ++i) {
        std::uint32_t error = 0;
        if (StateOf(*ordered[i], now, &error) == RASCS_Connected && ordered[i]->address[0]) {
            return ordered[i]->address;
        }
    }
    return s.routerMode ? s.routerAddress : "";
}

bool CredentialsAccepted(const SimLayout& s, const char* userName, const char* password) {
    if (s.credentialCount == 0) {
        return true;
    }
    for (std::uint32_t i = 0; i < s.credentialCount && i < kMaxCredentials; ++i) {
        if (std::strcmp(s.credentials[i].userName, userName) == 0 &&
            std::strcmp(s.credentials[i].password, password) == 0) {
            return true;
        }
    }
    return false;
}

SimCall& AppendCall(SimLayout& s, RasFunction function) {
    const std::uint32_t sequence = s.callTotal++;
    const auto slot = static_cast<std::uint32_t>(function);
    if (slot < kRasFunctionSlots) {
        ++s.callCounts[slot];
    }
    SimCall& call = s.calls[sequence % kCallLogCapacity];
    std::memset(&call, 0, sizeof call);
    call.sequence = sequence;
    call.function = slot;
    call.pid = GetCurrentProcessId();
    call.tick = Now();
    return call;
}

SimCall* CallWithSequence(SimLayout& s, std::uint32_t sequence) {
    SimCall& call = s.calls[sequence % kCallLogCapacity];
    return call.sequence == sequence ? &call : nullptr;
}

const char* StateName(std::uint32_t state) {
    switch (state) {
        case RASCS_OpenPort:
            return "OpenPort";
        case RASCS_PortOpened:
            return "PortOpened";
        case RASCS_ConnectDevice:
            return "ConnectDevice";
        case RASCS_DeviceConnected:
            return "DeviceConnected";
        case RASCS_AllDevicesConnected:
            return "AllDevicesConnected";
        case RASCS_Authenticate:
            return "Authenticate";
        case RASCS_Authenticated:
            return "Authenticated";
        case RASCS_Connected:
            return "Connected";
        case RASCS_Disconnected:
            return "Disconnected";
        default:
            return "?";
    }
}

}  // namespace qv::sim
