#include "notify/webhook_post_win.h"

#include <wininet.h>

#include <memory>

#include "base/failure_record_win.h"
#include "base/internet_win.h"

namespace qv {
namespace {

constexpr char kUserAgent[] = "Quorvane";
constexpr char kHeaders[] = "Content-Type: application/json\r\n";
// A webhook is answered, not followed: a redirect would turn the POST into a GET.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                                INTERNET_FLAG_NO_AUTO_REDIRECT;

// Only the web's own schemes are posted to.
bool CrackWebUrl(const std::string& url, UrlParts& parts) {
    return CrackUrl(url, parts) &&
           (parts.scheme == INTERNET_SCHEME_HTTP || parts.scheme == INTERNET_SCHEME_HTTPS);
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
    if (!CrackWebUrl(url, *parts)) {
        return Failed("InternetCrackUrlA (notification address)", false);
    }
    InternetHandle session(
        InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) {
        return Failed("InternetOpenA (notification address)", true);
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
    LimitRequest(request.get(), {limitMs, limitMs, limitMs});
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
