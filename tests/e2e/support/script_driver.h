#pragma once
// Drives the program the way scripts do: its command line, with the output captured, and
// its local HTTP control over a plain socket, so malformed requests can be sent as well.
#include <windows.h>
#include <winsock2.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "wine/support/wine_support.h"

namespace qv::e2e {

using ClientRun = testing::ProgramRun;

// Runs <folder>\Quorvane.exe with `arguments`, its output into a pipe; nullopt when it did
// not end within `timeoutMs`.
std::optional<ClientRun> RunClient(const std::string& folder, const std::string& arguments,
                                   DWORD timeoutMs = 60000);

// Starts <folder>\Quorvane.exe with `arguments` as a click or a shortcut would: no standard
// handles and nobody reading. The process handle, or null.
HANDLE StartDetached(const std::string& folder, const std::string& arguments);

// The text of the message box shown by process `processId`, waited for; nullopt when none came.
std::optional<std::string> WaitForBoxText(DWORD processId, DWORD timeoutMs = 15000);

// Sends a request to the program's window as the caller does, from `replyWindow`, with the
// caller's `cookie`; true when it was taken.
bool SendRequest(HWND program, HWND replyWindow, const std::string& arguments,
                 const std::string& cookie);

struct HttpAnswer {
    int status = 0;  // 0: no answer (connection refused or closed without one)
    std::string head;
    std::string body;
};

// Sends `request` as it is to 127.0.0.1:port and reads until the server closes.
HttpAnswer HttpExchange(std::uint16_t port, const std::string& request, DWORD timeoutMs = 60000);
// A well-formed request with an optional bearer token.
std::string HttpRequest(const std::string& method, const std::string& target,
                        const std::string& token, const std::string& body = "");
// True when something accepts connections on 127.0.0.1:port.
bool PortOpen(std::uint16_t port);
using testing::FreePort;
// A connection to 127.0.0.1:port whose reads give up after `timeoutMs`; INVALID_SOCKET when
// nothing accepts there.
SOCKET ConnectTo(std::uint16_t port, DWORD timeoutMs = 3000);
// The TCP ports that the machine listens on, IPv4 and IPv6; nullopt when the system's table
// cannot be read. Wine leaves the owning process out (0), so tests compare snapshots.
std::optional<std::set<std::uint16_t>> ListeningPorts();

// The value of a top-level field of a one-line JSON object, as written (strings without
// their quotes); nullopt when absent.
std::optional<std::string> JsonField(const std::string& json, const std::string& name);

}  // namespace qv::e2e
