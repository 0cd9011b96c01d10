// The page fetch through the system's web client against a scripted server on 127.0.0.1.
#include "native/fake_services.h"
#include "wine/local_http_server.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "web/http_fetch_win.h"
#include "web/proxied_fetch_win.h"
#include "web/read_sizing.h"

namespace qv::testing {
namespace {

std::vector<std::uint32_t> readRequests;
void RecordReadRequest(std::uint32_t requested) {
    readRequests.push_back(requested);
}

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

std::string Pattern(std::size_t length) {
    std::string body(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        body[i] = static_cast<char>('a' + i % 26);
    }
    return body;
}

std::string FirstLine(const std::string& request) {
    return request.substr(0, request.find("\r\n"));
}

class HttpFetchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!server.Listening()) {
            GTEST_SKIP() << "no loopback socket";
        }
        readRequests.clear();
        SetReadRequestObserver(&RecordReadRequest);
    }
    void TearDown() override { SetReadRequestObserver(nullptr); }

    LocalHttpServer server;
};

TEST_F(HttpFetchTest, ReadBlocksFollowContentLength) {
    const struct {
        const char* name;
        std::size_t bodyLength;
        long long contentLength;  // negative: no header
        std::uint32_t block;
    } rows[] = {
        {"length 99", 99, 99, 100},
        {"length 200000", 200000, 200000, 102400},
        {"no length", 30000, -1, 10240},
        {"length 0", 0, 0, 10240},
    };
    for (const auto& row : rows) {
        const std::string body = Pattern(row.bodyLength);
        server.SetAnswer(
            LocalHttpServer::Always(LocalHttpServer::Reply("200 OK", body, row.contentLength)));
        readRequests.clear();
        EXPECT_EQ(Text(HttpFetch(server.Url("/ic.asp"))), body) << row.name;
        ASSERT_FALSE(readRequests.empty()) << row.name;
        for (const std::uint32_t requested : readRequests) {
            EXPECT_EQ(requested, row.block) << row.name;
        }
    }
}

TEST_F(HttpFetchTest, ErrorPageBodyIsThePage) {
    server.SetAnswer(
        LocalHttpServer::Always(LocalHttpServer::Reply("404 Not Found", "gone [404]", 10)));
    EXPECT_EQ(Text(HttpFetch(server.Url("/ic.asp"))), "gone [404]");
}

TEST_F(HttpFetchTest, DroppedTransferReturnsThePartReceived) {
    const std::string part = Pattern(400);
    server.SetAnswer(
        LocalHttpServer::Always(LocalHttpServer::Reply("200 OK", part, 1000)));  // then closes
    EXPECT_EQ(Text(HttpFetch(server.Url("/ic.asp"))), part);
}

TEST_F(HttpFetchTest, SendsAPlainGetWithoutTheFragment) {
    server.SetAnswer(LocalHttpServer::Always(LocalHttpServer::Reply("200 OK", "[x]", 3)));
    EXPECT_EQ(Text(HttpFetch(server.Url("/ic.asp?a=1&b=2#section"))), "[x]");
    EXPECT_EQ(Text(HttpFetch(server.Url("/ic.asp#top"))), "[x]");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(FirstLine(requests[0]), "GET /ic.asp?a=1&b=2 HTTP/1.0");
    EXPECT_EQ(FirstLine(requests[1]), "GET /ic.asp HTTP/1.0");
    for (const auto& request : requests) {
        EXPECT_EQ(request.find('#'), std::string::npos) << request;
        EXPECT_NE(request.find("User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"),
                  std::string::npos)
            << request;
    }
}

TEST_F(HttpFetchTest, SecondFetchReusesTheSession) {
    server.SetAnswer(LocalHttpServer::Always(LocalHttpServer::Reply("200 OK", "[1]", 3)));
    ASSERT_EQ(Text(HttpFetch(server.Url("/ic.asp"))), "[1]");
    void* const session = HttpSessionHandle();
    ASSERT_NE(session, nullptr);
    ASSERT_EQ(Text(HttpFetch(server.Url("/ic.asp"))), "[1]");
    EXPECT_EQ(HttpSessionHandle(), session);

    // Closed at exit, and opened again by the next fetch that needs it.
    CloseHttpSession();
    EXPECT_EQ(HttpSessionHandle(), nullptr);
    EXPECT_EQ(Text(HttpFetch(server.Url("/ic.asp"))), "[1]");
    EXPECT_NE(HttpSessionHandle(), nullptr);
}

TEST_F(HttpFetchTest, FailuresGiveAnEmptyResult) {
    server.SetAnswer(LocalHttpServer::Always(LocalHttpServer::Reply("200 OK", "[1]", 3)));
    // A port that was just free: nothing listens there.
    LocalHttpServer* closed = new LocalHttpServer;
    const std::string unreachable = closed->Url("/ic.asp");
    delete closed;

    const std::string https = "https://127.0.0.1:" + server.Url("").substr(17) + "/ic.asp";
    const struct {
        const char* name;
        std::string url;
    } rows[] = {
        {"empty", ""},
        {"no scheme", "not a url"},
        {"no host", "http://"},
        {"other scheme", "ftp://127.0.0.1:1/ic.asp"},
        {"closed port", unreachable},
        {"https to a plain server", https},
    };
    for (const auto& row : rows) {
        EXPECT_TRUE(HttpFetch(row.url).empty()) << row.name;
    }
}

TEST_F(HttpFetchTest, APageThatNeverAnswersGivesUpWithinTenSeconds) {
    server.SetAnswer([this](SOCKET, const std::string&) { server.HoldUntilStopped(); });
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(HttpFetch(server.Url("/ic.asp")).empty());
    EXPECT_LT(GetTickCount64() - start, 11000u);
}

// The check through a proxy asks the proxy, for the page's whole address, loopback or not;
// at the program's end a silent proxy holds nobody.
TEST_F(HttpFetchTest, AProxiedFetchAsksTheProxyAndEndsWithTheProgram) {
    server.SetAnswer(LocalHttpServer::Always(LocalHttpServer::Reply("203 OK", "[61.1.1.1]", 10)));
    WinProxiedFetcher fetcher;
    const std::string proxy = server.Url("").substr(7);
    const ProxiedPage page = fetcher.FetchThrough(proxy, "http://127.0.0.1:9/ic.asp", 5000);
    EXPECT_TRUE(page.answered);
    EXPECT_EQ(page.status, 203);
    EXPECT_EQ(Text(page.body), "[61.1.1.1]");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(FirstLine(server.Requests()[0]), "GET http://127.0.0.1:9/ic.asp HTTP/1.1");

    server.SetAnswer([this](SOCKET, const std::string&) { server.HoldUntilStopped(); });
    ProxiedPage held;
    held.answered = true;
    const ULONGLONG start = GetTickCount64();
    std::thread check([&] { held = fetcher.FetchThrough(proxy, "http://127.0.0.1:9/", 10000); });
    Sleep(300);
    fetcher.EndAll();
    check.join();
    EXPECT_FALSE(held.answered);
    EXPECT_LT(GetTickCount64() - start, 2000u);
    EXPECT_FALSE(fetcher.FetchThrough(proxy, "http://127.0.0.1:9/", 10000).answered);
}

TEST_F(HttpFetchTest, EmptyUrlTouchesNothing) {
    CloseHttpSession();
    EXPECT_TRUE(HttpFetch("").empty());
    EXPECT_EQ(HttpSessionHandle(), nullptr);
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_TRUE(readRequests.empty());
}

// The public IP lookup end to end: start-up with the echo page configured in Config.ini,
// the real fetch, fakes for the window, tray and line.
TEST_F(HttpFetchTest, PublicIpLookupThroughTheRealFetch) {
    server.SetAnswer([](SOCKET client, const std::string& request) {
        const std::string page = FirstLine(request) == "GET /ic.asp HTTP/1.0"
                                     ? "<html><body>您的IP是：[127.0.0.1] 来自：本机</body></html>"
                                     : "<html>not here</html>";
        LocalHttpServer::Send(client, LocalHttpServer::Reply("200 OK", page, -1));
    });
    WinPageFetcher web;
    Rig rig(&web, nullptr);
    rig.profile.values[{"高级设置", "IP查询地址"}] = server.Url("/ic.asp");

    rig.assistant.InitMainWindow();
    EXPECT_EQ(rig.units.statusParts[1], "当前IP：127.0.0.1");
    EXPECT_EQ(rig.assistant.PublicIpLookup(), "127.0.0.1");

    rig.assistant.SetIpEchoPageUrl(server.Url("/elsewhere.asp"));
    EXPECT_EQ(rig.assistant.PublicIpLookup(), "");
}

}  // namespace
}  // namespace qv::testing
