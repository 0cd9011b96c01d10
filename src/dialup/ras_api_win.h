#pragma once
// The RAS functions the program uses, declared on our own record forms (ras.h only knows the newer
// ones). They resolve through the rasapi32 import library; the simulated ISP's rasapi32.dll defines
// them from this same declaration.
#include <windows.h>

#include "dialup/ras_records.h"

extern "C" {
DWORD WINAPI RasEnumEntriesA(const char* reserved, const char* phonebook,
                             qv::RASENTRYNAMEA* entries, DWORD* bufferSize, DWORD* entryCount);
DWORD WINAPI RasDialA(void* extensions, const char* phonebook, qv::RASDIALPARAMSA* params,
                      DWORD notifierType, void* notifier, qv::HRASCONN* connection);
DWORD WINAPI RasEnumConnectionsA(qv::RASCONNA* connections, DWORD* bufferSize,
                                 DWORD* connectionCount);
DWORD WINAPI RasGetConnectStatusA(qv::HRASCONN connection, qv::RASCONNSTATUSA* status);
DWORD WINAPI RasHangUpA(qv::HRASCONN connection);
// `connection` may be INVALID_HANDLE_VALUE: every connection.
DWORD WINAPI RasConnectionNotificationA(qv::HRASCONN connection, HANDLE event, DWORD flags);
}
