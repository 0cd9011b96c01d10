#include "base/internet_win.h"

#include <memory>

#include <utility>

namespace qv {

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
    return true;
}

void LimitRequest(HINTERNET request, const RequestLimits& limits) {
    const std::pair<DWORD, DWORD> options[] = {
        {INTERNET_OPTION_CONNECT_TIMEOUT, limits.connectMs},
        {INTERNET_OPTION_SEND_TIMEOUT, limits.sendMs},
        {INTERNET_OPTION_RECEIVE_TIMEOUT, limits.receiveMs},
    };
    for (auto [option, limit] : options) {
        InternetSetOptionA(request, option, &limit, sizeof limit);
    }
}

WebRequest OpenWebRequest(HINTERNET session, const std::string& url, const char* verb, DWORD flags,
                          const RequestLimits& limits) {
    WebRequest web;
    auto parts = std::make_unique<UrlParts>();
    if (session == nullptr || !CrackUrl(url, *parts) ||
        (parts->scheme != INTERNET_SCHEME_HTTP && parts->scheme != INTERNET_SCHEME_HTTPS)) {
        web.failedCall = "InternetCrackUrlA";
        return web;
    }
    const auto orNull = [](const char* text) { return *text != '\0' ? text : nullptr; };
    web.connection.reset(InternetConnectA(session, parts->host, parts->port, orNull(parts->user),
                                          orNull(parts->password), INTERNET_SERVICE_HTTP, 0, 0));
    if (!web.connection) {
        web.failedCall = "InternetConnectA";
        return web;
    }
    std::string object = std::string(parts->path) + parts->query;
    if (object.empty()) {
        object = "/";
    }
    if (parts->scheme == INTERNET_SCHEME_HTTPS) {
        flags |= INTERNET_FLAG_SECURE;
    }
    web.request.reset(HttpOpenRequestA(web.connection.get(), verb, object.c_str(), nullptr, nullptr,
                                       nullptr, flags, 0));
    if (!web.request) {
        web.failedCall = "HttpOpenRequestA";
        web.connection.reset();
        return web;
    }
    LimitRequest(web.request.get(), limits);
    return web;
}

}  // namespace qv
