#include "web/http_fetch_win.h"

#include <windows.h>

#include <wininet.h>

#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "base/failure_record_win.h"
#include "base/internet_win.h"
#include "web/read_sizing.h"
#include "web/request_parts.h"

namespace qv {
namespace {

static_assert(kSchemeHttp == INTERNET_SCHEME_HTTP && kSchemeHttps == INTERNET_SCHEME_HTTPS);
static_assert(kServiceHttp == INTERNET_SERVICE_HTTP);
static_assert(kRequestFlags == (INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE));
static_assert(kSecureFlag == INTERNET_FLAG_SECURE);
static_assert(sizeof(INTERNET_PROXY_INFO) == (sizeof(void*) == 8 ? 24 : 12));

constexpr char kEchoUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr char kVerb[] = "GET";
constexpr char kVersion[] = "HTTP/1.0";
constexpr char kAcceptType[] = "Accept: */* \r\n";
constexpr char kExtraHeaders[] = "Accept: */*\r\n\r\n";
static_assert(sizeof kAcceptType - 1 == 14 && sizeof kExtraHeaders - 1 == 15);
constexpr DWORD kCanonicalUrlBuffer = 2084;
// A page that accepts and never answers costs at most about ten seconds: a list of pages and
// the wait for the address stay bounded, and so does the window's start-up.
constexpr RequestLimits kPageLimits = {4000, 3000, 6000};

std::optional<std::string> CanonicalUrl(const Text& url) {
    std::vector<char> buffer(kCanonicalUrlBuffer);
    DWORD length = kCanonicalUrlBuffer;
    if (!InternetCanonicalizeUrlA(url.c_str(), buffer.data(), &length, ICU_NO_ENCODE)) {
        // The system tells how much it needs; some versions leave out the terminating zero.
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || length < buffer.size()) {
            return std::nullopt;
        }
        buffer.assign(static_cast<std::size_t>(length) + 1, '\0');
        length = static_cast<DWORD>(buffer.size());
        if (!InternetCanonicalizeUrlA(url.c_str(), buffer.data(), &length, ICU_NO_ENCODE)) {
            return std::nullopt;
        }
    }
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

// The process-wide web session, owned here: opened by the first fetch that needs it and kept
// until CloseHttpSession at the program's end; a failed open is tried again next time.
InternetHandle& SessionStorage() {
    static InternetHandle session;
    return session;
}

HINTERNET Session() {
    InternetHandle& session = SessionStorage();
    if (!session) {
        session.reset(
            InternetOpenA(kEchoUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
        if (!session) {
            RecordFailure("InternetOpenA", GetLastError());
        }
    }
    return session.get();
}

void FetchInto(const Text& url, Bytes& body) {
    const std::optional<std::string> canonical = CanonicalUrl(url);
    auto parts = std::make_unique<UrlParts>();
    if (!canonical) {
        RecordFailure("InternetCanonicalizeUrlA", GetLastError());
        return;
    }
    if (!CrackUrl(*canonical, *parts)) {
        RecordFailure("InternetCrackUrlA", GetLastError());
        return;
    }
    const RequestKind kind = RequestKindForScheme(parts->scheme);
    if (!kind.fetchable) {
        return;
    }
    HINTERNET session = Session();
    if (session == nullptr) {
        return;
    }
    InternetHandle connection(InternetConnectA(session, parts->host, parts->port, parts->user,
                                               parts->password, kind.service, 0, 0));
    if (!connection) {
        RecordFailure("InternetConnectA", GetLastError());
        return;
    }

    // Results ignored: the system's proxy settings, and no proxy credentials.
    INTERNET_PROXY_INFO proxy = {INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr};
    InternetSetOptionA(session, INTERNET_OPTION_PROXY, &proxy, sizeof proxy);
    char noCredential[1] = {};
    InternetSetOptionA(connection.get(), INTERNET_OPTION_PROXY_USERNAME, noCredential, 1);
    InternetSetOptionA(connection.get(), INTERNET_OPTION_PROXY_PASSWORD, noCredential, 1);

    const Text object = ObjectName(std::string(parts->path) + parts->query);
    const char* acceptTypes[] = {kAcceptType, nullptr};
    InternetHandle request(HttpOpenRequestA(connection.get(), kVerb, object.c_str(), kVersion,
                                            nullptr, acceptTypes, kind.flags, 0));
    if (!request) {
        RecordFailure("HttpOpenRequestA", GetLastError());
        return;
    }
    LimitRequest(request.get(), kPageLimits);
    if (!HttpSendRequestA(request.get(), kExtraHeaders, sizeof kExtraHeaders - 1, nullptr, 0)) {
        RecordFailure("HttpSendRequestA", GetLastError());
        return;
    }

    char lengthText[32] = {};
    DWORD lengthSize = sizeof lengthText;
    const bool haveLength =
        HttpQueryInfoA(request.get(), HTTP_QUERY_CONTENT_LENGTH, lengthText, &lengthSize, nullptr);
    lengthText[sizeof lengthText - 1] = '\0';
    const std::uint32_t blockSize = ReadBlockSize(haveLength ? lengthText : nullptr);

    std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[blockSize]);
    while (block) {
        NoteReadRequest(blockSize);
        DWORD received = 0;
        if (!InternetReadFile(request.get(), block.get(), blockSize, &received)) {
            RecordFailure("InternetReadFile", GetLastError());
            break;
        }
        if (received == 0) {
            break;
        }
        AppendBlock(body, block.get(), received);
    }
}

}  // namespace

Bytes HttpFetch(const Text& url) {
    Bytes body;
    if (url.empty()) {
        return body;
    }
    try {
        FetchInto(url, body);
    } catch (...) {
        // Out of memory part way: the handles are closed on the way out; keep what arrived.
    }
    return body;
}

void CloseHttpSession() {
    SessionStorage().reset();
}

void* HttpSessionHandle() {
    return SessionStorage().get();
}

}  // namespace qv
