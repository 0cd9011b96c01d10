#include "web/proxied_fetch_win.h"

#include <windows.h>

#include <wininet.h>

#include <thread>

#include "base/failure_record_win.h"
#include "base/internet_win.h"

namespace qv {
namespace {

constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_COOKIES |
                                INTERNET_FLAG_NO_UI;
// An echo page is a line or two; whatever a hostile page sends past this is not read.
constexpr std::size_t kMostBodyBytes = 64 * 1024;
// Loopback addresses go through the proxy too: the system would bypass it for them.
constexpr char kNoBypass[] = "<-loopback>";

ProxiedPage FetchNow(const Text& proxy, const Text& url, std::uint32_t limitMs) {
    ProxiedPage page;
    InternetHandle session(
        InternetOpenA(kProgramUserAgent, INTERNET_OPEN_TYPE_PROXY, proxy.c_str(), kNoBypass, 0));
    if (!session) {
        RecordFailure("InternetOpenA (proxy check)", GetLastError());
        return page;
    }
    const WebRequest web =
        OpenWebRequest(session.get(), url, "GET", kRequestFlags, {limitMs, limitMs, limitMs});
    if (!web.request) {
        RecordFailure(web.failedCall, GetLastError());
        return page;
    }
    if (!HttpSendRequestA(web.request.get(), nullptr, 0, nullptr, 0)) {
        return page;  // the proxy is down or silent: the check says so, no record needed
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(web.request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr)) {
        return page;
    }
    page.answered = true;
    page.status = static_cast<int>(status);
    char block[4096];
    DWORD received = 0;
    while (page.body.size() < kMostBodyBytes &&
           InternetReadFile(web.request.get(), block, sizeof block, &received) && received > 0) {
        page.body.insert(page.body.end(), block, block + received);
    }
    return page;
}

}  // namespace

ProxiedPage WinProxiedFetcher::FetchThrough(const Text& proxy, const Text& url,
                                            std::uint32_t limitMs) {
    struct Result {
        bool done = false;
        ProxiedPage page;
    };
    auto result = std::make_shared<Result>();
    std::unique_lock lock(waits_->mutex);
    if (waits_->ended) {
        return {};
    }
    std::thread([waits = waits_, result, proxy, url, limitMs] {
        ProxiedPage page = FetchNow(proxy, url, limitMs);
        const std::lock_guard done(waits->mutex);
        result->page = std::move(page);
        result->done = true;
        waits->changed.notify_all();
    }).detach();
    waits_->changed.wait(lock, [&] { return result->done || waits_->ended; });
    return result->done ? std::move(result->page) : ProxiedPage{};
}

void WinProxiedFetcher::EndAll() {
    const std::lock_guard lock(waits_->mutex);
    waits_->ended = true;
    waits_->changed.notify_all();
}

}  // namespace qv
