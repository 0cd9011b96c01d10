#include "pool/proxy_check.h"

#include "app/assistant.h"
#include "base/ip_address.h"

namespace qv {

bool AddressWorksThroughProxy(ProxiedFetcher& fetcher, const PoolSettings& settings,
                              const Text& echoPage, const std::string& address) {
    const Text proxy = "127.0.0.1:" + std::to_string(settings.proxyPort);
    const ProxiedPage echo = fetcher.FetchThrough(proxy, echoPage, kProxyCheckLimitMs);
    const auto shown = ParseIpAddress(EchoPageAnswer(echo.body));
    if (!echo.answered || !shown || shown != ParseIpAddress(address)) {
        return false;
    }
    if (settings.checkUrl.empty()) {
        return true;
    }
    const ProxiedPage page = fetcher.FetchThrough(proxy, settings.checkUrl, kProxyCheckLimitMs);
    return page.answered && page.status < 400;
}

}  // namespace qv
