#pragma once
// The simulated ISP's whole state: one named shared section that the rasapi32.dll stand-in,
// the ISP process, the control command and the tests map, guarded by one named mutex. Only
// fixed-width fields, so 32- and 64-bit processes read the same layout.
#include <cstddef>
#include <cstdint>

namespace qv::sim {

inline constexpr std::uint32_t kMagic = 0x49535651;  // "QVSI"
inline constexpr std::uint32_t kLayoutVersion = 2;

inline constexpr int kMaxEntries = 128;  // more than the program's listing of 38
inline constexpr int kMaxCredentials = 16;
inline constexpr int kMaxPool = 32;
inline constexpr int kMaxConnections = 64;
inline constexpr int kCallLogCapacity = 1024;
inline constexpr int kMaxNotifications = 64;
inline constexpr int kNameField = 257;  // entry names, user names, passwords: 256 + zero
inline constexpr int kPhoneField = 129;
inline constexpr int kDomainField = 16;
inline constexpr int kAddressField = 16;  // dotted quad + zero

// Handles are never reused, so a stale one stays invalid for good.
inline constexpr std::uint32_t kHandleBase = 0x51A00000;
inline constexpr std::uint32_t kHandleStep = 4;

inline constexpr std::uint32_t kDefaultFailError = 678;  // ERROR_NO_ANSWER
inline constexpr std::uint16_t kDefaultPort = 18931;
inline constexpr const char* kDefaultRouterAddress = "198.51.100.23";
inline constexpr const char* kDefaultPool[] = {"203.0.113.10", "203.0.113.11", "203.0.113.12",
                                               "203.0.113.13", "203.0.113.14", "203.0.113.15",
                                               "203.0.113.16", "203.0.113.17"};

enum class RasFunction : std::uint32_t {
    EnumEntries = 1,
    Dial = 2,
    EnumConnections = 3,
    GetConnectStatus = 4,
    HangUp = 5,
    ConnectionNotification = 6,
};
inline constexpr int kRasFunctionSlots = 7;

// Registered for every connection (INVALID_HANDLE_VALUE, as logged in 32 bits).
inline constexpr std::uint32_t kAllConnections = 0xFFFFFFFF;

// Which optional pointers a call was given, and whether a text field lacked its zero.
inline constexpr std::uint32_t kReservedGiven = 1;
inline constexpr std::uint32_t kPhonebookGiven = 2;
inline constexpr std::uint32_t kExtensionsGiven = 4;
inline constexpr std::uint32_t kNotifierGiven = 8;
inline constexpr std::uint32_t kUnterminatedField = 16;
inline constexpr std::uint32_t kRecordGiven = 32;  // the listing or record pointer was not null

inline constexpr std::uint32_t kResultPending = 0xFFFFFFFF;  // a dial still in progress

struct SimCredential {
    char userName[kNameField];
    char password[kNameField];
};

struct SimConnection {
    std::uint32_t inUse;
    std::uint32_t handle;
    std::uint32_t ownerPid;  // 0 for a connection "made by another program"
    std::uint32_t external;
    std::uint32_t startTick;
    std::uint32_t connectMs;
    std::uint32_t outcome;  // 0, or the error the dial ends with
    std::uint32_t stuckInAuthentication;
    std::uint32_t dropped;
    std::uint32_t hangingUp;
    std::uint32_t hangUpTick;
    std::uint32_t hangUpMs;
    std::uint32_t hangUpNever;
    std::uint32_t endNotified;  // its end was signalled (once per connection)
    char entryName[kNameField];
    char userName[kNameField];
    char address[kAddressField];
};

struct SimCall {
    std::uint32_t sequence;
    std::uint32_t function;  // RasFunction
    std::uint32_t pid;
    std::uint32_t tick;
    std::uint32_t result;         // kResultPending while a dial runs
    std::uint32_t handle;         // the handle given, or the one a dial wrote
    std::uint32_t handleIn;       // RasDialA: the handle variable's value on entry
    std::uint32_t recordSize;     // dwSize of the (first) record
    std::uint32_t bufferSize;     // *lpcb on entry
    std::uint32_t bufferSizeOut;  // *lpcb on return
    std::uint32_t count;          // entries or connections reported
    std::uint32_t state;          // RasGetConnectStatusA: the state reported
    std::uint32_t notifierType;   // RasDialA's; RasConnectionNotificationA: its RASCN_* flags
    std::uint32_t flags;          // k...Given, kUnterminatedField
    char entryName[kNameField];
    char phoneNumber[kPhoneField];
    char callbackNumber[kPhoneField];
    char userName[kNameField];
    char password[kNameField];
    char domain[kDomainField];
};

// An event some process asked to have set when a connection ends. The registering process
// keeps its own duplicate of the event (as the system's RAS service does), so the handle value
// stays that event's for the life of the process; whoever ends a connection duplicates it
// from there and sets it. The creation time tells a reused process id apart.
struct SimNotification {
    std::uint32_t inUse;
    std::uint32_t pid;
    std::uint32_t creationLow;
    std::uint32_t creationHigh;
    std::uint32_t event;       // the duplicate's value in the registering process
    std::uint32_t connection;  // a handle, or kAllConnections
    std::uint32_t flags;       // RASCN_*
};

struct SimLayout {
    std::uint32_t magic;
    std::uint32_t version;
    std::uint32_t layoutSize;

    // The scenario.
    std::uint32_t entryCount;
    char entries[kMaxEntries][kNameField];
    std::uint32_t credentialCount;  // 0: any account and password are accepted
    SimCredential credentials[kMaxCredentials];
    std::uint32_t connectDelayMs;
    std::uint32_t hangUpDelayMs;
    std::uint32_t failNextCount;
    std::uint32_t failNextError;
    std::uint32_t keepAddressNext;
    std::uint32_t poolCount;
    std::uint32_t poolCursor;
    char pool[kMaxPool][kAddressField];
    char lastAddress[kAddressField];
    std::uint32_t hangUpNever;
    std::uint32_t routerMode;
    char routerAddress[kAddressField];
    std::uint32_t offline;
    std::uint32_t busyAfterHangUpMs;
    std::uint32_t notifyOff;  // registrations are taken but never signalled
    std::uint32_t pageDelayMs;
    std::uint32_t pageGarbage;

    // The line.
    std::uint32_t nextHandleIndex;
    SimConnection connections[kMaxConnections];
    std::uint32_t hangUpStarted;  // a hang-up of a connection holding the port was started
    std::uint32_t lastHangUpTick;
    SimNotification notifications[kMaxNotifications];

    // Every RAS call, oldest first in a ring; the totals count past the ring's end.
    std::uint32_t callTotal;
    std::uint32_t callCounts[kRasFunctionSlots];
    SimCall calls[kCallLogCapacity];

    // The ISP process and its echo page.
    std::uint32_t ispPid;
    std::uint32_t ispPort;
    std::uint32_t pageFetches;
    char lastPageAddress[kAddressField];
    std::uint32_t errorPageFetches;
};

static_assert(sizeof(SimLayout) % 4 == 0);
static_assert(alignof(SimLayout) == 4, "same layout for 32- and 64-bit processes");

}  // namespace qv::sim
