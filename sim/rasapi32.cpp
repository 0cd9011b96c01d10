// The simulated ISP's rasapi32.dll: the RAS calls the program uses, answered from the
// shared line state with the system's semantics (size checks, ERROR_BUFFER_TOO_SMALL when a
// list does not fit, handles valid until their hang-up completes, a synchronous dial that
// passes through the intermediate states). Every call is logged with its arguments.
// Nothing here may throw: these are DLL exports.
#include <cstring>

#include "dialup/ras_api_win.h"
#include "sim_shared.h"

using namespace qv;
using namespace qv::sim;

namespace {

constexpr DWORD kCannotComplete = 1003;  // ERROR_CAN_NOT_COMPLETE: the shared state is gone
constexpr DWORD kDialPollMs = 10;

HRASCONN ToHandle(std::uint32_t value) {
    return reinterpret_cast<HRASCONN>(static_cast<std::uintptr_t>(value));
}

// Our handles fit in 32 bits; anything else is no handle of ours.
std::uint32_t FromHandle(HRASCONN handle) {
    const auto value = reinterpret_cast<std::uintptr_t>(handle);
    return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<std::uint32_t>(value);
}

void FillDevice(char (&type)[kRasMaxDeviceType + 1], char (&name)[kRasMaxDeviceName + 1]) {
    CopyText(type, "PPPoE");
    CopyText(name, "WAN Miniport (PPPOE)");
}

// Copies a caller's fixed field into the log; false when the field lacks its zero (the
// system would read past it into the next field).
template <std::size_t N>
bool LogField(char (&to)[N], const char (&from)[N]) {
    const bool terminated = std::memchr(from, '\0', N) != nullptr;
    std::memcpy(to, from, N);
    to[N - 1] = '\0';
    return terminated;
}

DWORD EnumEntries(SimLayout& s, const char* reserved, const char* phonebook, RASENTRYNAMEA* entries,
                  DWORD* bufferSize, DWORD* entryCount) {
    if (bufferSize == nullptr || entryCount == nullptr || reserved != nullptr) {
        return kRasInvalidParameter;
    }
    if (phonebook != nullptr) {
        return kRasCannotOpenPhonebook;  // only the default phonebook exists here
    }
    if (entries != nullptr && entries->dwSize != sizeof(RASENTRYNAMEA)) {
        return kRasInvalidSize;
    }
    const DWORD count = s.entryCount;
    const DWORD needed = count * sizeof(RASENTRYNAMEA);
    if (needed > 0 && (entries == nullptr || *bufferSize < needed)) {
        *bufferSize = needed;
        *entryCount = count;
        return kRasBufferTooSmall;
    }
    for (DWORD i = 0; i < count; ++i) {
        entries[i].dwSize = sizeof(RASENTRYNAMEA);
        CopyText(entries[i].szEntryName, s.entries[i]);
    }
    *bufferSize = needed;
    *entryCount = count;
    return 0;
}

DWORD EnumConnections(SimLayout& s, RASCONNA* connections, DWORD* bufferSize,
                      DWORD* connectionCount) {
    if (bufferSize == nullptr || connectionCount == nullptr) {
        return kRasInvalidParameter;
    }
    if (connections != nullptr && connections->dwSize != sizeof(RASCONNA)) {
        return kRasInvalidSize;
    }
    SimConnection* ordered[kMaxConnections];
    const int count = OrderedConnections(s, ordered);
    const DWORD needed = static_cast<DWORD>(count) * sizeof(RASCONNA);
    if (needed > 0 && (connections == nullptr || *bufferSize < needed)) {
        *bufferSize = needed;
        *connectionCount = static_cast<DWORD>(count);
        return kRasBufferTooSmall;
    }
    for (int i = 0; i < count; ++i) {
        RASCONNA& record = connections[i];
        std::memset(&record, 0, sizeof record);
        record.dwSize = sizeof(RASCONNA);
        record.hrasconn = ToHandle(ordered[i]->handle);
        CopyText(record.szEntryName, ordered[i]->entryName);
        FillDevice(record.szDeviceType, record.szDeviceName);
    }
    *bufferSize = needed;
    *connectionCount = static_cast<DWORD>(count);
    return 0;
}

// Checks the dial's arguments and starts the connection; the caller waits for its outcome.
DWORD StartDial(SimLayout& s, SimCall& call, const char* phonebook, RASDIALPARAMSA* params,
                void* notifier, HRASCONN* connection) {
    if (params == nullptr || connection == nullptr) {
        return kRasInvalidParameter;
    }
    if (params->dwSize != sizeof(RASDIALPARAMSA)) {
        return kRasInvalidSize;
    }
    bool terminated = LogField(call.entryName, params->szEntryName);
    terminated &= LogField(call.phoneNumber, params->szPhoneNumber);
    terminated &= LogField(call.callbackNumber, params->szCallbackNumber);
    terminated &= LogField(call.userName, params->szUserName);
    terminated &= LogField(call.password, params->szPassword);
    terminated &= LogField(call.domain, params->szDomain);
    if (!terminated) {
        call.flags |= kUnterminatedField;
        return kRasInvalidParameter;
    }
    // Only synchronous dials are simulated; resuming a paused dial is not either.
    if (notifier != nullptr || *connection != nullptr) {
        return kRasInvalidParameter;
    }
    if (phonebook != nullptr) {
        return kRasCannotOpenPhonebook;
    }

    // Without an entry the number is dialled as it is; the connection is then named "."
    // followed by the number, as the system names it.
    char name[kNameField] = {};
    if (params->szEntryName[0] != '\0') {
        bool found = false;
        for (std::uint32_t i = 0; i < s.entryCount && !found; ++i) {
            found = std::strcmp(s.entries[i], params->szEntryName) == 0;
        }
        if (!found) {
            return kRasCannotFindEntry;
        }
        CopyText(name, params->szEntryName);
    } else if (params->szPhoneNumber[0] != '\0') {
        name[0] = '.';
        CopyText(name + 1, sizeof name - 1, params->szPhoneNumber);
    } else {
        return kRasCannotFindEntry;
    }

    SimConnection* c = NewConnection(s, name);
    if (c == nullptr) {
        return kRasPortNotAvailable;
    }
    c->connectMs = s.connectDelayMs;
    CopyText(c->userName, params->szUserName);
    if (PortBusy(s, c->startTick)) {
        // The port is still being released: refused as it is opened, before any delay.
        c->connectMs = 0;
        c->outcome = kRasPortNotAvailable;
    } else if (s.offline) {
        c->outcome = kRasNoAnswer;
    } else if (s.failNextCount > 0) {
        --s.failNextCount;
        c->outcome = s.failNextError;
    } else if (!CredentialsAccepted(s, params->szUserName, params->szPassword)) {
        c->outcome = kRasAuthenticationFailure;
    } else {
        AssignAddress(s, c->address);
    }
    // The handle is handed out at once and stays valid, even when the dial fails, until the
    // caller hangs it up.
    *connection = ToHandle(c->handle);
    call.handle = c->handle;
    return 0;
}

// Waits, outside the lock, until the started connection is up, has failed or was hung up.
DWORD FinishDial(Shared& shared, std::uint32_t handle) {
    for (;;) {
        DWORD pause = 0;
        {
            Lock lock(shared);
            if (!lock) {
                return kCannotComplete;
            }
            SimConnection* c = FindConnection(*lock, handle);
            if (c == nullptr || c->hangingUp) {
                return kRasUserDisconnection;
            }
            const std::uint32_t elapsed = Now() - c->startTick;
            if (elapsed >= c->connectMs) {
                return c->outcome;
            }
            const std::uint32_t left = c->connectMs - elapsed;
            pause = left < kDialPollMs ? left : kDialPollMs;
        }
        Sleep(pause);
    }
}

// Takes the lock once the hang-up of `handle` is due, which completes it and sets the events
// registered for its end; without this nobody might look until much later.
DWORD WINAPI CompleteHangUpWhenDue(void* parameter) {
    const auto handle = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(parameter));
    Shared* shared = Shared::Get();
    for (DWORD pause = 0; shared != nullptr; Sleep(pause)) {
        Lock lock(*shared);
        SimConnection* c = lock ? FindConnection(*lock, handle) : nullptr;
        if (c == nullptr || !c->hangingUp || c->hangUpNever) {
            return 0;
        }
        const std::uint32_t elapsed = Now() - c->hangUpTick;
        pause = elapsed < c->hangUpMs ? c->hangUpMs - elapsed : 1;
    }
    return 0;
}

}  // namespace

extern "C" DWORD WINAPI RasEnumEntriesA(const char* reserved, const char* phonebook,
                                        RASENTRYNAMEA* entries, DWORD* bufferSize,
                                        DWORD* entryCount) {
    Shared* shared = Shared::Get();
    if (shared == nullptr) {
        return kCannotComplete;
    }
    Lock lock(*shared);
    if (!lock) {
        return kCannotComplete;
    }
    SimCall& call = AppendCall(*lock, RasFunction::EnumEntries);
    call.flags = (reserved ? kReservedGiven : 0) | (phonebook ? kPhonebookGiven : 0) |
                 (entries ? kRecordGiven : 0);
    call.recordSize = entries ? entries->dwSize : 0;
    call.bufferSize = bufferSize ? *bufferSize : 0;
    const DWORD result = EnumEntries(*lock, reserved, phonebook, entries, bufferSize, entryCount);
    call.result = result;
    if (result == 0 || result == kRasBufferTooSmall) {
        call.bufferSizeOut = *bufferSize;
        call.count = *entryCount;
    }
    return result;
}

extern "C" DWORD WINAPI RasDialA(void* extensions, const char* phonebook, RASDIALPARAMSA* params,
                                 DWORD notifierType, void* notifier, HRASCONN* connection) {
    Shared* shared = Shared::Get();
    if (shared == nullptr) {
        return kCannotComplete;
    }
    std::uint32_t sequence = 0;
    std::uint32_t handle = 0;
    {
        Lock lock(*shared);
        if (!lock) {
            return kCannotComplete;
        }
        SimCall& call = AppendCall(*lock, RasFunction::Dial);
        call.flags = (extensions ? kExtensionsGiven : 0) | (phonebook ? kPhonebookGiven : 0) |
                     (notifier ? kNotifierGiven : 0) | (params ? kRecordGiven : 0);
        call.notifierType = notifierType;
        call.recordSize = params ? params->dwSize : 0;
        call.handleIn = connection ? FromHandle(*connection) : 0;
        const DWORD started = StartDial(*lock, call, phonebook, params, notifier, connection);
        if (started != 0) {
            call.result = started;
            return started;
        }
        call.result = kResultPending;
        sequence = call.sequence;
        handle = call.handle;
    }
    const DWORD result = FinishDial(*shared, handle);
    Lock lock(*shared);
    if (lock) {
        if (SimCall* call = CallWithSequence(*lock, sequence)) {
            call->result = result;
        }
    }
    return result;
}

extern "C" DWORD WINAPI RasEnumConnectionsA(RASCONNA* connections, DWORD* bufferSize,
                                            DWORD* connectionCount) {
    Shared* shared = Shared::Get();
    if (shared == nullptr) {
        return kCannotComplete;
    }
    Lock lock(*shared);
    if (!lock) {
        return kCannotComplete;
    }
    SimCall& call = AppendCall(*lock, RasFunction::EnumConnections);
    call.flags = connections ? kRecordGiven : 0;
    call.recordSize = connections ? connections->dwSize : 0;
    call.bufferSize = bufferSize ? *bufferSize : 0;
    const DWORD result = EnumConnections(*lock, connections, bufferSize, connectionCount);
    call.result = result;
    if (result == 0 || result == kRasBufferTooSmall) {
        call.bufferSizeOut = *bufferSize;
        call.count = *connectionCount;
    }
    return result;
}

extern "C" DWORD WINAPI RasGetConnectStatusA(HRASCONN connection, RASCONNSTATUSA* status) {
    Shared* shared = Shared::Get();
    if (shared == nullptr) {
        return kCannotComplete;
    }
    Lock lock(*shared);
    if (!lock) {
        return kCannotComplete;
    }
    SimCall& call = AppendCall(*lock, RasFunction::GetConnectStatus);
    call.handle = FromHandle(connection);
    call.flags = status ? kRecordGiven : 0;
    call.recordSize = status ? status->dwSize : 0;
    DWORD result = 0;
    SimConnection* c = nullptr;
    if (status == nullptr) {
        result = kRasInvalidParameter;
    } else if (status->dwSize != sizeof(RASCONNSTATUSA)) {
        result = kRasInvalidSize;
    } else if ((c = FindConnection(*lock, call.handle)) == nullptr) {
        result = kRasInvalidHandle;
    } else {
        std::uint32_t error = 0;
        status->rasconnstate = StateOf(*c, Now(), &error);
        status->dwError = error;
        FillDevice(status->szDeviceType, status->szDeviceName);
        call.state = status->rasconnstate;
    }
    call.result = result;
    return result;
}

extern "C" DWORD WINAPI RasHangUpA(HRASCONN connection) {
    Shared* shared = Shared::Get();
    if (shared == nullptr) {
        return kCannotComplete;
    }
    Lock lock(*shared);
    if (!lock) {
        return kCannotComplete;
    }
    SimLayout& s = *lock;
    SimCall& call = AppendCall(s, RasFunction::HangUp);
    call.handle = FromHandle(connection);
    SimConnection* c = FindConnection(s, call.handle);
    if (c == nullptr) {
        call.result = kRasInvalidHandle;
        return kRasInvalidHandle;
    }
    // Only starts the hang-up; the handle stays valid until it completes (or never does).
    if (!c->hangingUp) {
        const std::uint32_t now = Now();
        if (HoldsPort(*c, now)) {
            s.hangUpStarted = 1;
            s.lastHangUpTick = now;
        }
        c->hangingUp = 1;
        c->hangUpTick = now;
        c->hangUpMs = s.hangUpDelayMs;
        c->hangUpNever = s.hangUpNever;
        if (c->hangUpMs == 0 && !c->hangUpNever) {
            EndConnection(s, *c);
        } else if (!c->hangUpNever && AnyRegistration(s)) {
            const auto parameter = reinterpret_cast<void*>(static_cast<std::uintptr_t>(c->handle));
            if (HANDLE thread =
                    CreateThread(nullptr, 0, CompleteHangUpWhenDue, parameter, 0, nullptr)) {
                CloseHandle(thread);
            }
        }
    }
    call.result = 0;
    return 0;
}

// Sets `event` when a connection ends: `connection`'s, or any one's for INVALID_HANDLE_VALUE.
// Only RASCN_Disconnection is ever signalled; the other flags are taken and never fire.
extern "C" DWORD WINAPI RasConnectionNotificationA(HRASCONN connection, HANDLE event, DWORD flags) {
    Shared* shared = Shared::Get();
    if (shared == nullptr) {
        return kCannotComplete;
    }
    Lock lock(*shared);
    if (!lock) {
        return kCannotComplete;
    }
    SimCall& call = AppendCall(*lock, RasFunction::ConnectionNotification);
    const bool all = connection == INVALID_HANDLE_VALUE;
    call.handle = all ? kAllConnections : FromHandle(connection);
    call.notifierType = flags;
    call.flags = event ? kNotifierGiven : 0;
    constexpr DWORD kKnownFlags = kRasNotifyConnection | kRasNotifyDisconnection |
                                  kRasNotifyBandwidthAdded | kRasNotifyBandwidthRemoved;
    DWORD result = 0;
    if (event == nullptr || flags == 0 || (flags & ~kKnownFlags) != 0) {
        result = kRasInvalidParameter;
    } else {
        result = AddNotification(*lock, call.handle, event, flags);
    }
    call.result = result;
    return result;
}
