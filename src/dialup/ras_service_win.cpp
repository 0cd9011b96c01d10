#include "dialup/ras_service_win.h"

#include <raserror.h>

#include <cstring>

#include "base/failure_record_win.h"
#include "base/fixed_text.h"
#include "dialup/dial_target.h"
#include "dialup/hang_up_wait.h"
#include "dialup/ras_api_win.h"

namespace qv {
namespace {

// Listings are fixed buffers of the calling operation, filled afresh on every call.
struct EntryListing {
    RASENTRYNAMEA records[kListingRecords];
};

struct ConnectionListing {
    RASCONNA records[kListingRecords];
};

// The default phonebook's entries; 0 whenever the system refuses, including a phonebook
// with more entries than the listing holds.
DWORD EnumerateEntries(EntryListing& listing) {
    std::memset(&listing, 0, sizeof listing);
    listing.records[0].dwSize = sizeof(RASENTRYNAMEA);
    DWORD bufferSize = sizeof listing.records;
    DWORD count = 0;
    if (RasEnumEntriesA(nullptr, nullptr, listing.records, &bufferSize, &count) != 0) {
        return 0;
    }
    return count <= kListingRecords ? count : 0;  // never read past the listing
}

// The active connections; nothing on any failure.
DWORD EnumerateConnections(ConnectionListing& listing) {
    std::memset(&listing, 0, sizeof listing);
    listing.records[0].dwSize = sizeof(RASCONNA);
    DWORD bufferSize = sizeof listing.records;
    DWORD count = 0;
    if (RasEnumConnectionsA(listing.records, &bufferSize, &count) != 0) {
        return 0;
    }
    return count <= kListingRecords ? count : 0;
}

DWORD QueryStatus(HRASCONN connection, RASCONNSTATUSA& status) {
    std::memset(&status, 0, sizeof status);
    status.dwSize = sizeof status;
    return RasGetConnectStatusA(connection, &status);
}

// Only a fully established connection counts; one still being set up or unreadable does not.
bool IsEstablished(HRASCONN connection) {
    RASCONNSTATUSA status;
    return QueryStatus(connection, status) == 0 && status.rasconnstate == RASCS_Connected;
}

// RasHangUpA only starts the hang-up; the handle stays valid until the line is down, and a
// new dial before that can fail. Waits for it to go, at most `boundMs`.
void HangUpAndWait(HRASCONN connection, std::uint32_t boundMs) {
    if (const DWORD result = RasHangUpA(connection); result != 0) {
        RecordFailure("RasHangUpA", result);
    }
    WaitUntilGone([] { return static_cast<std::uint32_t>(GetTickCount()); },
                  [connection] {
                      RASCONNSTATUSA status;
                      return QueryStatus(connection, status) == ERROR_INVALID_HANDLE;
                  },
                  [](std::uint32_t ms) { Sleep(ms); }, boundMs);
}

// Clears the remembered connection before hanging it up, so it is never hung up twice.
void ForgetAndHangUp(std::uint32_t boundMs) {
    void* connection = DialledConnection();
    if (connection == nullptr) {
        return;
    }
    DialledConnection() = nullptr;
    HangUpAndWait(connection, boundMs);
}

}  // namespace

// The dial-up service's process-wide state: the connection the last dial started. It outlives
// every RasService, because the program's end hangs it up after the window is gone.
void*& DialledConnection() {
    static void* dialledConnection = nullptr;  // HRASCONN
    return dialledConnection;
}

int RasService::EntryCount() {
    EntryListing listing;
    return static_cast<int>(EnumerateEntries(listing));
}

Text RasService::EntryName(int index) {
    EntryListing listing;
    const DWORD count = EnumerateEntries(listing);
    if (index < 0 || static_cast<DWORD>(index) >= count) {
        return Text();
    }
    return FieldText(listing.records[index].szEntryName);
}

std::uint32_t RasService::Dial(const Text& target, const Text& account, const Text& password,
                               bool) {
    ForgetAndHangUp(hangUpBoundMs_);

    RASDIALPARAMSA params;
    std::memset(&params, 0, sizeof params);
    params.dwSize = sizeof params;
    if (const auto position = DialPosition(target)) {
        EntryListing listing;
        const DWORD count = EnumerateEntries(listing);
        if (*position < 0 || *position >= static_cast<std::int64_t>(count)) {
            return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;  // before the system is asked
        }
        std::memcpy(params.szEntryName, listing.records[*position].szEntryName,
                    sizeof params.szEntryName);
        params.szEntryName[kRasMaxEntryName] = '\0';
    } else {
        // Without an entry the system dials this number directly.
        CopyToField(params.szPhoneNumber, target);
    }
    // Texts longer than their fields are cut to fit (never split inside a GBK character).
    CopyToField(params.szUserName, account);
    CopyToField(params.szPassword, password);

    const DWORD result = RasDialA(nullptr, nullptr, &params, 0, nullptr, &DialledConnection());
    SecureZeroMemory(params.szPassword, sizeof params.szPassword);
    if (result != 0) {
        RecordFailure("RasDialA", result);
        // A failed dial may still have left a handle that holds the port.
        ForgetAndHangUp(hangUpBoundMs_);
    }
    return result;
}

bool RasService::IsConnected() {
    void* remembered = DialledConnection();
    return (remembered != nullptr && IsEstablished(remembered)) || AnyConnectionEstablished();
}

bool AnyConnectionEstablished() {
    ConnectionListing listing;
    const DWORD count = EnumerateConnections(listing);
    for (DWORD i = 0; i < count; ++i) {
        if (IsEstablished(listing.records[i].hrasconn)) {
            return true;
        }
    }
    return false;
}

void RasService::HangUpAll() {
    ForgetAndHangUp(hangUpBoundMs_);
    ConnectionListing listing;
    const DWORD count = EnumerateConnections(listing);
    // Whatever their state, connections still being set up included.
    for (DWORD i = 0; i < count; ++i) {
        HangUpAndWait(listing.records[i].hrasconn, hangUpBoundMs_);
    }
}

void RasTeardownAtExit() {
    void* connection = DialledConnection();
    if (connection != nullptr && !IsEstablished(connection)) {
        HangUpAndWait(connection, kHangUpBoundMs);
    }
    DialledConnection() = nullptr;
}

}  // namespace qv
