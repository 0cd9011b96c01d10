#include "notify/webhook_post_win.h"

#include <wininet.h>

#include <memory>

#include "base/failure_record_win.h"
#include "base/handle.h"

namespace qv {
namespace {

// The same owner as the page fetch's (web/ is out of this folder's reach).
struct InternetTraits {
    using Value = HINTERNET;
    static Value Invalid() { return nullptr; }
    static void Close(Value handle) { InternetCloseHandle(handle); }
};
using InternetHandle = UniqueHandle<InternetTraits>;

constexpr char kUserAgent[] = "Quorvane";
constexpr char kHeaders[] = "Content-Type: application/json\r\n";
// A webhook is answered, not followed: a redirect would turn the POST into a GET.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                                INTERNET_FLAG_NO_AUTO_REDIRECT;

struct UrlParts {
    INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
    INTERNET_PORT port = 0;
    char host[256] = {};
    char path[2048] = {};
    char query[2048] = {};
    char user[128] = {};
    char password[128] = {};
};

bool CrackUrl(const std::string& url, UrlParts& parts) {
    URL_COMPONENTSA components = {};
    components.dwStructSize = sizeof components;
    components.lpszHostName = parts.host;
    components.dwHostNameLength = sizeof parts.host;
    components.lpszUrlPath = parts.path;
    components.dwUrlPathLength = sizeof parts.path;
    components.lpszExtraInfo = parts.query;
    components.dwExtraInfoLength = sizeof parts.query;
    components.lpszUserName = parts.user;
    components.dwUserNameLength = sizeof parts.user;
    components.lpszPassword = parts.password;
    components.dwPasswordLength = sizeof parts.password;
    if (!InternetCrackUrlA(url.c_str(), 0, 0, &components)) {
        return false;
    }
    parts.scheme = components.nScheme;
    parts.port = components.nPort;
    return parts.scheme == INTERNET_SCHEME_HTTP || parts.scheme == INTERNET_SCHEME_HTTPS;
}

PostResult Failed(const char* call, bool worthRetry) {
    PostResult result;
    result.error = GetLastError();
    result.worthRetry = worthRetry;
    RecordFailure(call, result.error);
    return result;
}

const char* OrNull(const char* text) {
    return *text != '\0' ? text : nullptr;
}

}  // namespace

PostResult PostJson(const std::string& url, const std::string& body, DWORD limitMs) {
    auto parts = std::make_unique<UrlParts>();
    if (!CrackUrl(url, *parts)) {
        return Failed("InternetCrackUrlA (notification address)", false);
    }
    InternetHandle session(
        InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) {
        return Failed("InternetOpenA (notification address)", true);
    }
    for (const DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                               INTERNET_OPTION_RECEIVE_TIMEOUT}) {
        DWORD limit = limitMs;
        InternetSetOptionA(session.get(), option, &limit, sizeof limit);
    }
    InternetHandle connection(InternetConnectA(session.get(), parts->host, parts->port,
                                               OrNull(parts->user), OrNull(parts->password),
                                               INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) {
        return Failed("InternetConnectA (notification address)", true);
    }
    std::string object = std::string(parts->path) + parts->query;
    if (object.empty()) {
        object = "/";
    }
    const DWORD flags =
        kRequestFlags | (parts->scheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);
    InternetHandle request(HttpOpenRequestA(connection.get(), "POST", object.c_str(), nullptr,
                                            nullptr, nullptr, flags, 0));
    if (!request) {
        return Failed("HttpOpenRequestA (notification address)", true);
    }
    if (!HttpSendRequestA(request.get(), kHeaders, sizeof kHeaders - 1,
                          const_cast<char*>(body.data()), static_cast<DWORD>(body.size()))) {
        return Failed("HttpSendRequestA (notification address)", true);
    }
    PostResult result;
    DWORD size = sizeof result.status;
    if (!HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                        &result.status, &size, nullptr)) {
        return Failed("HttpQueryInfoA (notification address)", true);
    }
    result.delivered = result.status >= 200 && result.status < 300;
    result.worthRetry = result.status == 408 || result.status == 429 || result.status >= 500;
    if (!result.delivered) {
        RecordFailure("Notification POST (HTTP status)", result.status);
    }
    return result;
}

}  // namespace qv
