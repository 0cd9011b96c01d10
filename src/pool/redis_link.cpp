#include "pool/redis_link.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <boost/asio/connect.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace qv {
namespace {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;
using ErrorCode = boost::system::error_code;

// Shared with the handler, so that a handler left behind by a timed-out operation finds its
// own record still alive whenever the io_context runs it.
struct Completion {
    bool done = false;
    ErrorCode error;
    std::size_t bytes = 0;
};

// getaddrinfo cannot be cancelled, so a name is looked up on a thread of its own that the
// link stops waiting for at its deadline; the thread keeps this record alive.
struct Lookup {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    ErrorCode error;
    std::vector<tcp::endpoint> endpoints;
};

// The commands sent (AUTH, HSET, SET, HDEL, DEL) get a status, a number or an error back: a
// reply beyond this is no answer of theirs.
constexpr std::size_t kLinkReplyLimit = 64 * 1024;

LinkResult Fail(LinkResult::Fault fault, const std::string& detail, bool retryCanMend = true) {
    return {fault, retryCanMend, PrintableAscii(detail)};
}

// Windows words its system messages in the user's language (GBK here, which the ASCII detail
// would turn into question marks): the usual errors get a fixed English text.
std::string SystemText(const ErrorCode& error) {
    namespace e = asio::error;
    const struct {
        ErrorCode code;
        const char* text;
    } known[] = {
        {e::connection_refused, "connection refused"},
        {e::connection_reset, "connection reset"},
        {e::connection_aborted, "connection aborted"},
        {e::timed_out, "timed out"},
        {e::host_unreachable, "host unreachable"},
        {e::network_unreachable, "network unreachable"},
        {e::network_down, "network down"},
        {e::host_not_found, "host not found"},
        {e::host_not_found_try_again, "host not found (try again)"},
        {e::broken_pipe, "broken pipe"},
        {e::eof, "closed by the server"},
    };
    for (const auto& entry : known) {
        if (error == entry.code) {
            return entry.text;
        }
    }
    return error.message() + " (" + std::to_string(error.value()) + ")";
}

LinkResult SystemFailure(const char* step, const ErrorCode& error) {
    return Fail(LinkResult::Fault::Transport, std::string(step) + ": " + SystemText(error));
}

}  // namespace

bool RefusalIsFinal(std::string_view error) {
    for (std::string_view code : {"WRONGPASS", "NOAUTH", "NOPERM", "ERR invalid password",
                                  "ERR AUTH", "ERR Client sent AUTH"}) {
        if (error.substr(0, code.size()) == code) {
            return true;
        }
    }
    return false;
}

namespace {

// The code word an error reply opens with ("WRONGPASS", "ERR"): capitals only, else "?".
std::string ErrorWord(std::string_view error) {
    const std::string_view word = error.substr(0, error.find(' '));
    const bool capitals =
        !word.empty() && word.size() <= 16 &&
        std::all_of(word.begin(), word.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
    return capitals ? std::string(word) : "?";
}

}  // namespace

std::string WithoutSecret(std::string detail, std::string_view secret) {
    if (secret.empty()) {
        return detail;
    }
    for (const std::string& shown : {std::string(secret), PrintableAscii(secret, secret.size())}) {
        for (std::size_t at = detail.find(shown); at != std::string::npos;
             at = detail.find(shown, at + 3)) {
            detail.replace(at, shown.size(), "***");
        }
    }
    return detail;
}

std::string PrintableAscii(std::string_view text, std::size_t limit) {
    std::string out(text.substr(0, limit));
    for (char& c : out) {
        if (c < 0x20 || c > 0x7e) {
            c = '?';
        }
    }
    return out;
}

struct RedisLink::Impl {
    explicit Impl(LinkConfig c) : config(std::move(c)) {}

    // Runs handlers until `completion` is done; false at the deadline or on Interrupt. The
    // work guard keeps run_one_until from returning early (and stopping) for lack of work.
    bool Await(const std::shared_ptr<Completion>& completion, Clock::time_point deadline) {
        while (!completion->done) {
            if (interrupted || io.stopped() || Clock::now() >= deadline) {
                return false;
            }
            io.run_one_until(deadline);
        }
        return true;
    }

    // A call after an Abandon: the io_context runs again (after Interrupt it stays stopped).
    void RestartAfterAbandon() {
        if (!interrupted && io.stopped()) {
            io.restart();
        }
    }

    LinkResult TimedOut(const char* step) {
        Close();
        return Fail(LinkResult::Fault::Transport,
                    std::string(step) + (interrupted ? ": stopped" : ": timed out"));
    }

    void Close() {
        ErrorCode ignored;
        socket.close(ignored);
    }

    std::optional<std::vector<tcp::endpoint>> Endpoints(Clock::time_point deadline,
                                                        LinkResult& failure) {
        ErrorCode error;
        const asio::ip::address address = asio::ip::make_address(config.host, error);
        if (!error) {
            return std::vector<tcp::endpoint>{tcp::endpoint(address, config.port)};
        }
        auto lookup = std::make_shared<Lookup>();
        try {
            std::thread([lookup, host = config.host, port = config.port] {
                asio::io_context context;
                tcp::resolver resolver(context);
                ErrorCode error;
                const auto results = resolver.resolve(host, std::to_string(port), error);
                std::lock_guard lock(lookup->mutex);
                lookup->error = error;
                for (const auto& entry : results) {
                    lookup->endpoints.push_back(entry.endpoint());
                }
                lookup->done = true;
                lookup->finished.notify_all();
            }).detach();
        } catch (const std::system_error& e) {
            failure = Fail(LinkResult::Fault::Transport, std::string("resolve: ") + e.what());
            return std::nullopt;
        }
        std::unique_lock lock(lookup->mutex);
        // Polled in short slices so that Interrupt, which cannot reach this wait, still ends it.
        while (!lookup->done) {
            const auto now = Clock::now();
            if (interrupted || now >= deadline) {
                failure = TimedOut("resolve");
                return std::nullopt;
            }
            lookup->finished.wait_until(lock,
                                        std::min(deadline, now + std::chrono::milliseconds(50)));
        }
        if (lookup->error || lookup->endpoints.empty()) {
            failure = SystemFailure("resolve", lookup->error);
            return std::nullopt;
        }
        return lookup->endpoints;
    }

    LinkConfig config;
    asio::io_context io;
    asio::executor_work_guard<asio::io_context::executor_type> work{io.get_executor()};
    tcp::socket socket{io};
    resp::ReplyParser parser{kLinkReplyLimit};
    std::atomic<bool> interrupted{false};
    std::shared_ptr<std::array<char, 4096>> readBuffer = std::make_shared<std::array<char, 4096>>();
};

RedisLink::RedisLink(LinkConfig config) : impl_(std::make_unique<Impl>(std::move(config))) {}

RedisLink::~RedisLink() = default;

LinkResult RedisLink::Connect() {
    Impl& link = *impl_;
    link.Close();
    link.RestartAfterAbandon();
    link.parser = resp::ReplyParser(kLinkReplyLimit);
    if (link.interrupted) {
        return link.TimedOut("connect");
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(link.config.timeoutMs);
    LinkResult failure;
    const auto endpoints = link.Endpoints(deadline, failure);
    if (!endpoints) {
        return failure;
    }
    auto completion = std::make_shared<Completion>();
    asio::async_connect(link.socket, *endpoints,
                        [completion](const ErrorCode& error, const tcp::endpoint&) {
                            completion->done = true;
                            completion->error = error;
                        });
    if (!link.Await(completion, deadline)) {
        return link.TimedOut("connect");
    }
    if (completion->error) {
        link.Close();
        return SystemFailure("connect", completion->error);
    }
    ErrorCode ignored;
    link.socket.set_option(tcp::no_delay(true), ignored);
    if (link.config.password.empty()) {
        return {};
    }
    resp::Command auth{"AUTH"};
    if (!link.config.user.empty()) {
        auth.push_back(link.config.user);
    }
    auth.push_back(link.config.password);
    std::vector<resp::Reply> replies;
    if (LinkResult result = Exchange({auth}, replies); !result.ok()) {
        return result;
    }
    const resp::Reply& reply = replies.front();
    if (reply.type == resp::Reply::Type::Simple && reply.text == "OK") {
        return {};
    }
    link.Close();
    if (reply.type == resp::Reply::Type::Error) {
        // A fixed text and the error's code word: a Redis whose AUTH is renamed quotes the
        // arguments, password and all.
        return Fail(LinkResult::Fault::Refused, "AUTH: refused (" + ErrorWord(reply.text) + ")",
                    !RefusalIsFinal(reply.text));
    }
    return Fail(LinkResult::Fault::Garbage, "AUTH: unexpected reply");
}

LinkResult RedisLink::Exchange(const std::vector<resp::Command>& commands,
                               std::vector<resp::Reply>& replies) {
    Impl& link = *impl_;
    replies.clear();
    link.RestartAfterAbandon();
    if (!link.socket.is_open()) {
        return Fail(LinkResult::Fault::Transport, "not connected");
    }
    auto out = std::make_shared<std::string>();
    for (const resp::Command& command : commands) {
        *out += resp::EncodeCommand(command);
    }
    auto written = std::make_shared<Completion>();
    asio::async_write(link.socket, asio::buffer(*out),
                      [written, out](const ErrorCode& error, std::size_t) {
                          written->done = true;
                          written->error = error;
                      });
    if (!link.Await(written, Clock::now() + std::chrono::milliseconds(link.config.timeoutMs))) {
        return link.TimedOut("write");
    }
    if (written->error) {
        link.Close();
        return SystemFailure("write", written->error);
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(link.config.timeoutMs);
    while (replies.size() < commands.size()) {
        resp::Reply reply;
        const auto status = link.parser.Next(reply);
        if (status == resp::ReplyParser::Status::Complete) {
            replies.push_back(std::move(reply));
            continue;
        }
        if (status == resp::ReplyParser::Status::Malformed) {
            link.Close();
            return Fail(LinkResult::Fault::Garbage, "reply: " + link.parser.Problem());
        }
        auto read = std::make_shared<Completion>();
        auto buffer = link.readBuffer;
        link.socket.async_read_some(asio::buffer(*buffer),
                                    [read, buffer](const ErrorCode& error, std::size_t bytes) {
                                        read->done = true;
                                        read->error = error;
                                        read->bytes = bytes;
                                    });
        if (!link.Await(read, deadline)) {
            return link.TimedOut("read");
        }
        if (read->error) {
            link.Close();
            return SystemFailure("read", read->error);
        }
        link.parser.Feed(std::string_view(buffer->data(), read->bytes));
    }
    return {};
}

void RedisLink::Close() {
    impl_->Close();
}

bool RedisLink::IsOpen() const {
    return impl_->socket.is_open();
}

void RedisLink::Abandon() {
    impl_->io.stop();  // the call under way returns; the next one restarts the io_context
}

void RedisLink::Interrupt() {
    impl_->interrupted = true;
    impl_->io.stop();
}

}  // namespace qv
