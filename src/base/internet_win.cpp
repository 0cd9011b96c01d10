#include "base/internet_win.h"

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

}  // namespace qv
