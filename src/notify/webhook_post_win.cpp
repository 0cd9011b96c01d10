#include "notify/webhook_post_win.h"

#include <wininet.h>

#include <cstring>
#include <string>

#include "base/failure_record_win.h"
#include "base/internet_win.h"

namespace qv {
namespace {

constexpr char kHeaders[] = "Content-Type: application/json\r\n";
// A webhook is answered, not followed: a redirect would turn the POST into a GET.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                                INTERNET_FLAG_NO_AUTO_REDIRECT;

PostResult Failed(const char* call, bool worthRetry) {
    PostResult result;
    result.error = GetLastError();
    result.worthRetry = worthRetry;
    RecordFailure(call, result.error);
    return result;
}

}  // namespace

PostResult PostJson(const std::string& url, const std::string& body, DWORD limitMs) {
    InternetHandle session(
        InternetOpenA(kProgramUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) {
        return Failed("InternetOpenA (notification address)", true);
    }
    const WebRequest web =
        OpenWebRequest(session.get(), url, "POST", kRequestFlags, {limitMs, limitMs, limitMs});
    if (!web.request) {
        // An address that does not crack stays wrong; a connection may work next time.
        const std::string call = std::string(web.failedCall) + " (notification address)";
        return Failed(call.c_str(), std::strcmp(web.failedCall, "InternetCrackUrlA") != 0);
    }
    HINTERNET request = web.request.get();
    if (!HttpSendRequestA(request, kHeaders, sizeof kHeaders - 1, const_cast<char*>(body.data()),
                          static_cast<DWORD>(body.size()))) {
        return Failed("HttpSendRequestA (notification address)", true);
    }
    PostResult result;
    DWORD size = sizeof result.status;
    if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &result.status,
                        &size, nullptr)) {
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
