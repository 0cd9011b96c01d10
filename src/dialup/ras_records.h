#pragma once
// The RAS records in the older forms this program hands to the system, laid out here rather
// than taken from the SDK, whose headers only carry the newer, larger forms. ras.h packs its
// records to 4 bytes, so the handle in RASCONNA sits at offset 4 on 64-bit too.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/text.h"

namespace qv {

using HRASCONN = void*;

// Field widths without their zero (ras.h, lmcons.h); named apart from the system macros.
inline constexpr std::size_t kRasMaxEntryName = 256;
inline constexpr std::size_t kRasMaxPhoneNumber = 128;
inline constexpr std::size_t kRasMaxCallbackNumber = 128;
inline constexpr std::size_t kRasMaxDeviceType = 16;
inline constexpr std::size_t kRasMaxDeviceName = 128;
inline constexpr std::size_t kRasMaxUserName = 256;
inline constexpr std::size_t kRasMaxPassword = 256;
inline constexpr std::size_t kRasMaxDomain = 15;

// Connection states the program and the simulator name (RASCONNSTATE).
inline constexpr std::uint32_t RASCS_OpenPort = 0;
inline constexpr std::uint32_t RASCS_PortOpened = 1;
inline constexpr std::uint32_t RASCS_ConnectDevice = 2;
inline constexpr std::uint32_t RASCS_DeviceConnected = 3;
inline constexpr std::uint32_t RASCS_AllDevicesConnected = 4;
inline constexpr std::uint32_t RASCS_Authenticate = 5;
inline constexpr std::uint32_t RASCS_Authenticated = 14;
inline constexpr std::uint32_t RASCS_Connected = 0x2000;
inline constexpr std::uint32_t RASCS_Disconnected = 0x2001;

// RasConnectionNotificationA's flags (RASCN_*).
inline constexpr std::uint32_t kRasNotifyConnection = 1;
inline constexpr std::uint32_t kRasNotifyDisconnection = 2;
inline constexpr std::uint32_t kRasNotifyBandwidthAdded = 4;
inline constexpr std::uint32_t kRasNotifyBandwidthRemoved = 8;

// Result codes (winerror.h, raserror.h).
inline constexpr std::uint32_t kRasOk = 0;
inline constexpr std::uint32_t kRasInvalidHandle = 6;          // ERROR_INVALID_HANDLE
inline constexpr std::uint32_t kRasInvalidParameter = 87;      // ERROR_INVALID_PARAMETER
inline constexpr std::uint32_t kRasBufferTooSmall = 603;       // ERROR_BUFFER_TOO_SMALL
inline constexpr std::uint32_t kRasCannotOpenPhonebook = 621;  // ERROR_CANNOT_OPEN_PHONEBOOK
inline constexpr std::uint32_t kRasCannotFindEntry = 623;      // ERROR_CANNOT_FIND_PHONEBOOK_ENTRY
inline constexpr std::uint32_t kRasRemoteDisconnection = 629;  // ERROR_REMOTE_DISCONNECTION
inline constexpr std::uint32_t kRasUserDisconnection = 631;    // ERROR_USER_DISCONNECTION
inline constexpr std::uint32_t kRasInvalidSize = 632;          // ERROR_INVALID_SIZE
inline constexpr std::uint32_t kRasPortNotAvailable = 633;     // ERROR_PORT_NOT_AVAILABLE
inline constexpr std::uint32_t kRasNoAnswer = 678;             // ERROR_NO_ANSWER
inline constexpr std::uint32_t kRasAuthenticationFailure = 691;

#pragma pack(push, 4)

struct RASENTRYNAMEA {
    std::uint32_t dwSize;
    char szEntryName[kRasMaxEntryName + 1];
};

struct RASDIALPARAMSA {
    std::uint32_t dwSize;
    char szEntryName[kRasMaxEntryName + 1];
    char szPhoneNumber[kRasMaxPhoneNumber + 1];
    char szCallbackNumber[kRasMaxCallbackNumber + 1];
    char szUserName[kRasMaxUserName + 1];
    char szPassword[kRasMaxPassword + 1];
    char szDomain[kRasMaxDomain + 1];
};

struct RASCONNA {
    std::uint32_t dwSize;
    HRASCONN hrasconn;
    char szEntryName[kRasMaxEntryName + 1];
    char szDeviceType[kRasMaxDeviceType + 1];
    char szDeviceName[kRasMaxDeviceName + 1];
};

struct RASCONNSTATUSA {
    std::uint32_t dwSize;
    std::uint32_t rasconnstate;
    std::uint32_t dwError;
    char szDeviceType[kRasMaxDeviceType + 1];
    char szDeviceName[kRasMaxDeviceName + 1];
};

#pragma pack(pop)

constexpr bool k64Bit = sizeof(void*) == 8;
static_assert(sizeof(RASENTRYNAMEA) == 264);
static_assert(sizeof(RASDIALPARAMSA) == 1052);
static_assert(sizeof(RASCONNA) == (k64Bit ? 416 : 412));
static_assert(sizeof(RASCONNSTATUSA) == 160);
static_assert(offsetof(RASDIALPARAMSA, szPhoneNumber) == 261);
static_assert(offsetof(RASDIALPARAMSA, szUserName) == 519);
static_assert(offsetof(RASDIALPARAMSA, szPassword) == 776);
static_assert(offsetof(RASDIALPARAMSA, szDomain) == 1033);
static_assert(offsetof(RASCONNA, hrasconn) == 4);
static_assert(offsetof(RASCONNA, szEntryName) == (k64Bit ? 12 : 8));
static_assert(offsetof(RASCONNSTATUSA, szDeviceType) == 12);

// The fixed listings handed to the enumerations: the system refuses a list that does not fit
// rather than cutting it.
inline constexpr std::uint32_t kListingRecords = 38;

// A fixed field's text up to its zero, never past the field even when the zero is missing.
template <std::size_t N>
Text FieldText(const char (&field)[N]) {
    const void* zero = std::memchr(field, '\0', N);
    const std::size_t length =
        zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - field) : N;
    return Text(field, length);
}

}  // namespace qv
