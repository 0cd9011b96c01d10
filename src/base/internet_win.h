#pragma once
// WinINet's handles, closed with InternetCloseHandle by the shared handle owner, and an
// address cracked into its parts: the page fetch and the webhook both need them.
#include <windows.h>

#include <wininet.h>

#include <string>

#include "base/handle.h"

namespace qv {

// The name the program's own requests (the proxy check, the webhook) go by. The echo page is
// asked as a browser would ask it.
inline constexpr char kProgramUserAgent[] = "Quorvane";

struct InternetTraits {
    using Value = HINTERNET;
    static Value Invalid() { return nullptr; }
    static void Close(Value handle) { InternetCloseHandle(handle); }
};
using InternetHandle = UniqueHandle<InternetTraits>;

// Large: keep it off a small stack (make_unique).
struct UrlParts {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    INTERNET_PORT port = 0;
    char host[256] = {};
    char path[2048] = {};
    char query[2048] = {};
    char user[128] = {};
    char password[128] = {};
};

// The query is asked for separately so that the object name is the same whether or not the
// system would have left it on the path. False when the system cannot crack the address.
bool CrackUrl(const std::string& url, UrlParts& parts);

// How long a request may take to connect, to send and to receive. Set on the request handle:
// Wine honours the limits there, not on the session's. A limit reached fails the call with
// ERROR_INTERNET_TIMEOUT.
struct RequestLimits {
    DWORD connectMs;
    DWORD sendMs;
    DWORD receiveMs;
};
void LimitRequest(HINTERNET request, const RequestLimits& limits);

// A request for an http or https address on a connection of its own: cracked, connected,
// opened (https adds the secure flag) and limited. On failure the handles are null and
// `failedCall` names the call that failed (GetLastError tells why; a null session or an
// address of another scheme fails as InternetCrackUrlA).
struct WebRequest {
    InternetHandle connection;
    InternetHandle request;
    const char* failedCall = nullptr;
};
WebRequest OpenWebRequest(HINTERNET session, const std::string& url, const char* verb, DWORD flags,
                          const RequestLimits& limits);

}  // namespace qv
