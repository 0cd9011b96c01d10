// The HTTP control: the listener and its sessions, all on the server's thread (the routes and
// the token check are in http_routes.cpp). Compiled as UTF-8 (Beast's headers hold a "µs" that GBK
// cannot encode): no Chinese texts here.
#include "control/http_control.h"

#include <utility>  // Boost 1.74's awaitable.hpp uses std::exchange without including it

#include <algorithm>
#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <cstdio>
#include <exception>
#include <mutex>
#include <random>
#include <thread>

#include "base/text.h"
#include "control/protocol.h"
#include "control/result_table.h"

namespace qv {

#ifndef _WIN32
namespace http_platform {

// Asio sets SO_REUSEADDR only when asked to, so a second listener on our port already fails.
void ListenAlone(std::uintptr_t) {}

void RecordFailure(const char* what, const char* detail) {
    std::fprintf(stderr, "Quorvane: %s failed: %s\n", what, detail);
}

}  // namespace http_platform
#endif

namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxHeadBytes = 8 * 1024;
constexpr std::size_t kMaxBodyBytes = 4 * 1024;
constexpr auto kHeadLimit = std::chrono::seconds(kHeadSeconds);
constexpr auto kRequestLimit = std::chrono::seconds(kRequestSeconds);
constexpr auto kWriteLimit = std::chrono::seconds(10);
constexpr auto kDrainLimit = std::chrono::seconds(2);
// How long an idle program may take to refresh the state for a status request before the
// last known state is sent instead.
constexpr auto kStatusWait = std::chrono::milliseconds(500);
constexpr auto kAcceptRetry = std::chrono::milliseconds(200);

constexpr const char* kJson = "application/json; charset=utf-8";
constexpr const char* kMetricsText = "text/plain; version=0.0.4; charset=utf-8";

http::response<http::string_body> Response(int status, std::string body, const char* type = kJson) {
    http::response<http::string_body> response;
    response.version(11);
    response.result(static_cast<unsigned>(status));
    response.set(http::field::content_type, type);
    response.set(http::field::cache_control, "no-store");
    if (status == 401) {
        response.set(http::field::www_authenticate, "Bearer");
    }
    response.keep_alive(false);
    response.body() = std::move(body);
    response.prepare_payload();
    return response;
}

// The way from the window's thread to the server's. Queued jobs hold this, never the server
// itself: a job can outlive the server when the program stops with commands still waiting.
class Mailbox {
  public:
    explicit Mailbox(asio::io_context& io) : io_(&io) {}

    template <typename Handler>
    void Post(Handler&& handler) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (io_) {
            asio::post(*io_, std::forward<Handler>(handler));
        }
    }
    void Close() {
        std::lock_guard<std::mutex> lock(mutex_);
        io_ = nullptr;
    }

  private:
    std::mutex mutex_;
    asio::io_context* io_;
};

}  // namespace

struct HttpControl::Server {
    CommandQueue& queue;
    StatusBoard& board;
    const TextCodec& codec;
    std::string token;
    // Above the context: sessions that it destroys at the end still count themselves out.
    int open = 0;  // connections with a session, counted on the server's thread only
    bool accepting = false;
    std::uint16_t port = 0;
    std::thread thread;
    asio::io_context io{1};
    // Sessions whose commands wait on the window's thread have nothing pending in Asio
    // until the outcome is posted: without this, run() would return and the server end.
    asio::executor_work_guard<asio::io_context::executor_type> work = asio::make_work_guard(io);
    tcp::acceptor acceptor{io};
    asio::steady_timer acceptRetry{io};
    std::shared_ptr<Mailbox> mailbox = std::make_shared<Mailbox>(io);
    std::function<std::string()> metrics;  // none: /metrics is an unknown path
    ResultTable results{[] {
        return static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
                .count());
    }};
    // Ids of async commands: a start's own prefix, so that an id of an earlier run is unknown.
    std::string idPrefix = std::to_string(std::random_device()() % 1000000) + "-";
    unsigned nextId = 0;

    Server(CommandQueue& q, StatusBoard& b, const TextCodec& c, std::string t)
        : queue(q), board(b), codec(c), token(std::move(t)) {}
    void Run();
    void Accept();
};

namespace {

// One connection, one request. Owned by the handlers pending on the server's thread, so it
// ends there: the window's thread reaches it only through the mailbox and a weak pointer.
class Session : public std::enable_shared_from_this<Session> {
  public:
    Session(HttpControl::Server& server, tcp::socket socket)
        : server_(server), socket_(std::move(socket)), deadline_(server.io) {
        ++server_.open;
    }
    ~Session() {
        if (waiting_ && !answered_) {
            waiting_->store(false);  // ended unanswered (the server stopped): nobody waits
        }
        --server_.open;
    }

    void Start() {
        parser_.header_limit(kMaxHeadBytes);
        parser_.body_limit(kMaxBodyBytes);
        const Clock::time_point start = Clock::now();
        Arm(start + kHeadLimit, &Session::Close);
        http::async_read_header(
            socket_, buffer_, parser_,
            [self = shared_from_this(), start](beast::error_code ec, std::size_t) {
                if (ec) {
                    return self->OnReadFailed(ec);
                }
                self->Arm(start + kRequestLimit, &Session::Close);
                self->ReadBody();
            });
    }

  private:
    void ReadBody() {
        http::async_read(socket_, buffer_, parser_,
                         [self = shared_from_this()](beast::error_code ec, std::size_t) {
                             if (ec) {
                                 return self->OnReadFailed(ec);
                             }
                             self->OnRequest();
                         });
    }

    void OnReadFailed(beast::error_code ec) {
        if (ec == http::error::header_limit) {
            return Reply(431, ErrorBody(431));
        }
        if (ec == http::error::body_limit) {
            return Reply(413, ErrorBody(413));
        }
        if (ec == http::error::end_of_stream || ec == http::error::partial_message) {
            return Close();  // gone: nobody to answer
        }
        if (ec.category() == http::make_error_code(http::error::bad_target).category()) {
            return Reply(400, ErrorBody(400));
        }
        Close();  // a deadline closed the socket, or it failed
    }

    void OnRequest() {
        Disarm();  // a command may take long; the caller decides how long to wait
        const auto& request = parser_.get();
        if (request.count(http::field::authorization) > 1) {
            return Reply(400, ErrorBody(400));  // which one would be the caller's?
        }
        const auto authorization = request[http::field::authorization];
        const RouteDecision decision = RouteRequest(
            std::string_view(request.method_string().data(), request.method_string().size()),
            std::string_view(request.target().data(), request.target().size()),
            std::string_view(authorization.data(), authorization.size()), server_.token);
        if (decision.status != 200 || (decision.kind == RouteKind::Metrics && !server_.metrics)) {
            const int status = decision.status != 200 ? decision.status : 404;
            return Reply(status, ErrorBody(status));
        }
        if (decision.kind == RouteKind::Metrics) {
            return Reply(200, server_.metrics(), kMetricsText);
        }
        if (decision.kind == RouteKind::Result) {
            const ResultTable::Found found = server_.results.Find(decision.resultId);
            return found.state == ResultTable::State::Done      ? Reply(200, found.json)
                   : found.state == ResultTable::State::Pending ? Reply(202, "{\"pending\":true}")
                                                                : Reply(404, ErrorBody(404));
        }
        if (const auto status = StatusAtOnce(*decision.command, server_.queue, server_.board)) {
            return Reply(200, ResultJson(*status, server_.codec));
        }
        if (decision.async) {
            return SubmitAsync(*decision.command);
        }
        Submit(*decision.command);
    }

    // Answered at once with an id; the outcome is kept for GET /result?id=.
    void SubmitAsync(const ScriptCommand& command) {
        const std::string id = server_.idPrefix + std::to_string(++server_.nextId);
        server_.results.Add(id);
        ScriptJob job;
        job.command = command;
        job.source = CommandSource::Http;
        job.done = [mailbox = server_.mailbox, codec = &server_.codec, server = &server_,
                    id](const ScriptOutcome& outcome) {
            // Posted to the server's thread, which runs it only while the server lives.
            mailbox->Post([server, id, json = ResultJson(outcome, *codec)]() mutable {
                server->results.Finish(id, std::move(json));
            });
        };
        if (!server_.queue.Submit(std::move(job))) {
            server_.results.Forget(id);
            return Reply(503, ResultJson(QueueFullOutcome(command), server_.codec));
        }
        Reply(202, "{\"ok\":true,\"id\":\"" + id + "\"}");
    }

    // The outcome comes back on the window's thread and is posted to this one. Meanwhile a
    // read stays pending, so a caller that goes frees its connection at once and its
    // command, not started yet, is dropped.
    void Submit(const ScriptCommand& command) {
        auto waiting = std::make_shared<std::atomic<bool>>(true);
        ScriptJob job;
        job.command = command;
        job.source = CommandSource::Http;
        job.callerWaiting = [waiting] { return waiting->load(); };
        job.done = [mailbox = server_.mailbox, codec = &server_.codec,
                    session = weak_from_this()](const ScriptOutcome& outcome) {
            // On the window's thread: builds the text and posts it. The session is named
            // weakly, so this thread never holds it, whether the job runs or is dropped.
            try {
                mailbox->Post([session, json = ResultJson(outcome, *codec)]() mutable {
                    if (auto self = session.lock()) {
                        self->Answer(std::move(json));
                    }
                });
            } catch (const std::exception& e) {
                http_platform::RecordFailure("HTTP control answer", e.what());
            }
        };
        if (!server_.queue.Submit(std::move(job))) {
            return Reply(503, ResultJson(QueueFullOutcome(command), server_.codec));
        }
        waiting_ = std::move(waiting);
        if (command.verb == ScriptVerb::Status) {
            Arm(Clock::now() + kStatusWait, &Session::AnswerFromBoard);
        }
        ReadAway();
    }

    void Answer(std::string json) {
        if (!answered_) {
            Reply(200, std::move(json));
        }
    }

    void AnswerFromBoard() {
        Answer(ResultJson(server_.board.Status(server_.queue.Busy()), server_.codec));
    }

    void Reply(int status, std::string body, const char* type = kJson) {
        answered_ = true;
        if (waiting_) {
            waiting_->store(false);  // a status answered from the board needs no run
        }
        response_ = Response(status, std::move(body), type);
        Arm(Clock::now() + kWriteLimit, &Session::Close);
        writing_ = true;
        http::async_write(
            socket_, response_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
                self->writing_ = false;
                if (ec) {
                    if (ec != asio::error::operation_aborted) {
                        http_platform::RecordFailure("HTTP control: send", ec.message().c_str());
                    }
                    return self->Close();
                }
                beast::error_code ignored;
                self->socket_.shutdown(tcp::socket::shutdown_send, ignored);
                self->Arm(Clock::now() + kDrainLimit, &Session::Close);
                if (!self->reading_) {
                    self->ReadAway();
                }
            });
    }

    // Reads and drops whatever the caller sends until it closes: while its command waits,
    // to notice it going (a caller that only half-closes is taken as gone: nothing else
    // tells the two apart); after the answer, because closing with unread bytes (a refused
    // body) would reset the connection and could destroy the answer before it is read.
    void ReadAway() {
        reading_ = true;
        socket_.async_read_some(asio::buffer(drain_),
                                [self = shared_from_this()](beast::error_code ec, std::size_t) {
                                    self->reading_ = false;
                                    if (!ec) {
                                        return self->ReadAway();
                                    }
                                    if (!self->answered_ && self->waiting_) {
                                        self->waiting_->store(false);
                                    }
                                    if (!self->writing_) {
                                        self->Close();
                                    }
                                });
    }

    void Close() {
        Disarm();
        beast::error_code ignored;
        socket_.shutdown(tcp::socket::shutdown_both, ignored);
        socket_.close(ignored);
    }

    // One deadline at a time; a handler already queued when the deadline changes does
    // nothing, by its generation.
    void Arm(Clock::time_point at, void (Session::*expired)()) {
        const unsigned generation = ++armed_;
        deadline_.expires_at(at);
        deadline_.async_wait([weak = weak_from_this(), generation, expired](beast::error_code ec) {
            auto self = weak.lock();
            if (!ec && self && self->armed_ == generation) {
                ((*self).*expired)();
            }
        });
    }
    void Disarm() {
        ++armed_;
        deadline_.cancel();
    }

    HttpControl::Server& server_;
    tcp::socket socket_;
    asio::steady_timer deadline_;
    unsigned armed_ = 0;
    beast::flat_buffer buffer_{kMaxHeadBytes + kMaxBodyBytes};
    http::request_parser<http::string_body> parser_;
    std::shared_ptr<std::atomic<bool>> waiting_;  // shared with the queued job
    bool answered_ = false;
    bool reading_ = false;
    bool writing_ = false;
    char drain_[1024];
    http::response<http::string_body> response_;
};

// Beyond the limit a caller learns at once to come back later, instead of waiting in the
// system's backlog behind connections that may never end.
void Refuse(tcp::socket& socket) {
    beast::error_code ignored;
    socket.non_blocking(true, ignored);  // a new socket's send buffer takes the answer whole
    http::write(socket, Response(503, ErrorBody(503)), ignored);
    socket.shutdown(tcp::socket::shutdown_send, ignored);
    socket.close(ignored);
}

}  // namespace

void HttpControl::Server::Accept() {
    acceptor.async_accept([this](beast::error_code ec, tcp::socket socket) {
        accepting = false;
        if (ec == asio::error::operation_aborted) {
            return;
        }
        if (ec) {
            // Out of descriptors and the like: try again shortly rather than spin.
            http_platform::RecordFailure("HTTP control: accept", ec.message().c_str());
            accepting = true;  // again, after the pause
            acceptRetry.expires_after(kAcceptRetry);
            acceptRetry.async_wait([this](beast::error_code e) {
                if (!e) {
                    Accept();
                }
            });
            return;
        }
        Accept();
        if (open >= kMaxHttpConnections) {
            return Refuse(socket);
        }
        std::make_shared<Session>(*this, std::move(socket))->Start();
    });
    accepting = true;  // after: when async_accept throws, Run accepts again
}

void HttpControl::Server::Run() {
    for (;;) {
        try {
            io.run();
            return;  // stopped
        } catch (const std::exception& e) {
            http_platform::RecordFailure("HTTP control request", e.what());
        } catch (...) {
            http_platform::RecordFailure("HTTP control request", "unknown exception");
        }
        if (!accepting) {
            Accept();
        }
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
    if (!ec) {
        http_platform::ListenAlone(static_cast<std::uintptr_t>(acceptor.native_handle()));
        acceptor.bind(endpoint, ec);
    }
    if (!ec) {
        acceptor.listen(asio::socket_base::max_listen_connections, ec);
    }
    if (!ec) {
        server_->port = acceptor.local_endpoint(ec).port();
    }
    if (ec) {
        http_platform::RecordFailure("HTTP control: listen", ec.message().c_str());
        acceptor.close(ec);
        return false;
    }
    server_->Accept();
    try {
        server_->thread = std::thread([server = server_.get()] { server->Run(); });
    } catch (const std::exception& e) {
        http_platform::RecordFailure("HTTP control: thread", e.what());
        acceptor.close(ec);
        return false;
    }
    return true;
}

void HttpControl::SetMetrics(std::function<std::string()> metrics) {
    server_->metrics = std::move(metrics);
}

std::uint16_t HttpControl::Port() const {
    return server_->port;
}

void HttpControl::Stop() {
    server_->mailbox->Close();
    if (server_->thread.joinable()) {
        server_->work.reset();
        server_->io.stop();
        server_->thread.join();
    }
    beast::error_code ignored;
    server_->acceptor.close(ignored);
}

}  // namespace qv
