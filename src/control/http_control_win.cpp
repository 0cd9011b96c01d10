#include "control/http_control_win.h"

#include <utility>  // Boost 1.74's awaitable.hpp uses std::exchange without including it

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <optional>
#include <thread>

#include <windows.h>

#include "base/failure_record_win.h"
#include "control/http_routes.h"
#include "control/protocol.h"

namespace qv {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

constexpr std::size_t kMaxHeadBytes = 8 * 1024;
constexpr std::size_t kMaxBodyBytes = 4 * 1024;
constexpr int kMaxConnections = 8;
constexpr auto kIdleLimit = std::chrono::seconds(10);
// How long an idle program may take to refresh the state for a status request before the
// last known state is sent instead.
constexpr auto kStatusWait = std::chrono::seconds(2);
constexpr auto kDrainLimit = std::chrono::seconds(2);

std::string ErrorBody(int status) {
    const char* reason = status == 400   ? "malformed request"
                         : status == 401 ? "missing or wrong token"
                         : status == 404 ? "unknown path"
                         : status == 405 ? "method not allowed"
                         : status == 413 ? "body too large"
                         : status == 431 ? "request head too large"
                                         : "error";
    return std::string("{\"error\":\"") + reason + "\"}";
}

void Trace(const char* what, const boost::system::error_code& ec) {
    RecordFailure(what, static_cast<DWORD>(ec.value()));
}

}  // namespace

struct HttpControl::Server {
    CommandQueue& queue;
    StatusBoard& board;
    const TextCodec& codec;
    std::string token;
    asio::io_context io{1};
    tcp::acceptor acceptor{io};
    int open = 0;  // connections, counted on the server's thread only
    bool accepting = false;
    bool stopped = false;  // sessions destroyed with the context must not accept again
    std::thread thread;

    Server(CommandQueue& q, StatusBoard& b, const TextCodec& c, std::string t)
        : queue(q), board(b), codec(c), token(std::move(t)) {}
    void Accept();
    void Ended();
};

namespace {

class Session : public std::enable_shared_from_this<Session> {
  public:
    Session(HttpControl::Server& server, tcp::socket socket)
        : server_(server), stream_(std::move(socket)) {}
    ~Session() { server_.Ended(); }

    void Read() {
        parser_.emplace();
        parser_->header_limit(kMaxHeadBytes);
        parser_->body_limit(kMaxBodyBytes);
        stream_.expires_after(kIdleLimit);
        http::async_read(
            stream_, buffer_, *parser_,
            [self = shared_from_this()](beast::error_code ec, std::size_t) { self->OnRead(ec); });
    }

  private:
    void OnRead(beast::error_code ec) {
        if (ec == http::error::header_limit) {
            return Reply(431, ErrorBody(431));
        }
        if (ec == http::error::body_limit) {
            return Reply(413, ErrorBody(413));
        }
        if (ec == http::error::end_of_stream || ec == beast::error::timeout) {
            return Close();  // gone, or idle too long: nobody to answer
        }
        if (ec && ec.category() == http::make_error_code(http::error::bad_target).category()) {
            return Reply(400, ErrorBody(400));
        }
        if (ec) {
            return Close();
        }
        stream_.expires_never();  // a command may take long; the caller decides how long
        const auto& request = parser_->get();
        const auto authorization = request[http::field::authorization];
        const RouteDecision decision = RouteRequest(
            std::string_view(request.method_string().data(), request.method_string().size()),
            std::string_view(request.target().data(), request.target().size()),
            std::string_view(authorization.data(), authorization.size()), server_.token);
        if (!decision.command) {
            return Reply(decision.status, ErrorBody(decision.status));
        }
        if (decision.command->verb == ScriptVerb::Status && server_.queue.Busy()) {
            return Reply(200, ResultJson(server_.board.Status(true), server_.codec));
        }
        Submit(*decision.command);
    }

    // The outcome comes back on the window's thread and is posted to this one; a status
    // request also has a timer that answers from the last known state should the window's
    // thread be slow to take it.
    void Submit(const ScriptCommand& command) {
        auto answered = std::make_shared<bool>(false);
        std::shared_ptr<asio::steady_timer> timer;
        if (command.verb == ScriptVerb::Status) {
            timer = std::make_shared<asio::steady_timer>(server_.io, kStatusWait);
            timer->async_wait([self = shared_from_this(), answered](beast::error_code) {
                if (!*answered) {
                    *answered = true;
                    self->Reply(200,
                                ResultJson(self->server_.board.Status(true), self->server_.codec));
                }
            });
        }
        const bool queued = server_.queue.Submit(
            {command,
             [self = shared_from_this(), answered, timer](const ScriptOutcome& outcome) mutable {
                 // Runs on the window's thread: only builds the text and posts it. The last
                 // reference moves into the posted handler, so the session ends on its own
                 // thread.
                 try {
                     std::string json = ResultJson(outcome, self->server_.codec);
                     auto session = std::move(self);
                     asio::post(session->server_.io,
                                [session, answered, timer, json = std::move(json)]() mutable {
                                    if (!*answered) {
                                        *answered = true;
                                        if (timer) {
                                            timer->cancel();
                                        }
                                        session->Reply(200, std::move(json));
                                    }
                                });
                 } catch (...) {
                     RecordFailure("HTTP control answer (out of memory)", ERROR_OUTOFMEMORY);
                 }
             },
             {}});
        if (!queued) {
            *answered = true;
            if (timer) {
                timer->cancel();
            }
            Reply(503, ResultJson(QueueFullOutcome(command), server_.codec));
        }
    }

    void Reply(int status, std::string body) {
        response_.version(11);
        response_.result(static_cast<unsigned>(status));
        response_.set(http::field::content_type, "application/json; charset=utf-8");
        response_.set(http::field::cache_control, "no-store");
        if (status == 401) {
            response_.set(http::field::www_authenticate, "Bearer");
        }
        response_.keep_alive(false);
        response_.body() = std::move(body);
        response_.prepare_payload();
        stream_.expires_after(kIdleLimit);
        http::async_write(stream_, response_,
                          [self = shared_from_this()](beast::error_code ec, std::size_t) {
                              if (ec) {
                                  Trace("HTTP control: send", ec);
                                  return self->Close();
                              }
                              beast::error_code ignored;
                              self->stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
                              self->stream_.expires_after(kDrainLimit);
                              self->Drain();
                          });
    }

    // Closing with unread request bytes (a refused body) would reset the connection and
    // could destroy the answer before the caller reads it: read the rest away first.
    void Drain() {
        stream_.async_read_some(asio::buffer(drain_),
                                [self = shared_from_this()](beast::error_code ec, std::size_t) {
                                    if (ec) {
                                        return self->Close();
                                    }
                                    self->Drain();
                                });
    }

    void Close() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.socket().close(ignored);
    }

    HttpControl::Server& server_;
    beast::tcp_stream stream_;
    beast::flat_buffer buffer_{kMaxHeadBytes + kMaxBodyBytes};
    std::optional<http::request_parser<http::string_body>> parser_;
    char drain_[1024];
    http::response<http::string_body> response_;
};

}  // namespace

// At most kMaxConnections at once: beyond that, new ones wait in the system's backlog until
// one ends.
void HttpControl::Server::Accept() {
    accepting = true;
    acceptor.async_accept([this](beast::error_code ec, tcp::socket socket) {
        accepting = false;
        if (ec == asio::error::operation_aborted) {
            return;
        }
        if (!ec) {
            ++open;
            std::make_shared<Session>(*this, std::move(socket))->Read();
        } else {
            Trace("HTTP control: accept", ec);
        }
        if (open < kMaxConnections) {
            Accept();
        }
    });
}

void HttpControl::Server::Ended() {
    --open;
    if (!stopped && !accepting && open < kMaxConnections && acceptor.is_open()) {
        Accept();
    }
}

HttpControl::HttpControl(CommandQueue& queue, StatusBoard& board, const TextCodec& codec,
                         std::string token)
    : server_(std::make_unique<Server>(queue, board, codec, std::move(token))) {}

HttpControl::~HttpControl() {
    Stop();
}

bool HttpControl::Start(const std::string& address, std::uint16_t port) {
    beast::error_code ec;
    const asio::ip::address ip = asio::ip::make_address(address, ec);
    if (ec || ip.is_unspecified() || ip.is_multicast()) {
        return false;
    }
    const tcp::endpoint endpoint(ip, port);
    tcp::acceptor& acceptor = server_->acceptor;
    acceptor.open(endpoint.protocol(), ec);
    // Exclusive: no other program may bind the same port beside ours and take requests.
    if (!ec) {
        BOOL exclusive = TRUE;
        setsockopt(acceptor.native_handle(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                   reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
        acceptor.bind(endpoint, ec);
    }
    if (!ec) {
        acceptor.listen(asio::socket_base::max_listen_connections, ec);
    }
    if (ec) {
        Trace("HTTP control: listen", ec);
        acceptor.close(ec);
        return false;
    }
    server_->Accept();
    server_->thread = std::thread([server = server_.get()] {
        for (;;) {
            try {
                server->io.run();
                return;
            } catch (...) {
                RecordFailure("HTTP control request", ERROR_OUTOFMEMORY);
            }
        }
    });
    return true;
}

void HttpControl::Stop() {
    if (server_ && server_->thread.joinable()) {
        server_->io.stop();
        server_->thread.join();
    }
    if (server_) {
        server_->stopped = true;
        beast::error_code ignored;
        server_->acceptor.close(ignored);
    }
}

}  // namespace qv
