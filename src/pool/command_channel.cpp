#include "pool/command_channel.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "pool/redis_link.h"

namespace qv {
namespace {

constexpr int kFirstPauseMs = 500;
constexpr int kLongestPauseMs = 8000;
// A BLPOP's reply comes after up to kChannelWaitSeconds: the read waits a little longer.
constexpr int kTakerTimeoutMs = (kChannelWaitSeconds + 5) * 1000;
constexpr int kAnswerTimeoutMs = 3000;

LinkConfig ConfigFor(const PoolSettings& settings, int timeoutMs) {
    return {settings.redisHost, settings.redisPort, settings.user, settings.password, timeoutMs};
}

// TIME's first element, Unix seconds. Not BoundedDecimal: its long is 32 bits on Windows.
std::optional<std::int64_t> Seconds(const std::vector<resp::Reply>& replies) {
    if (replies.size() != 1 || replies[0].type != resp::Reply::Type::Array ||
        replies[0].elements.empty() || replies[0].elements[0].type != resp::Reply::Type::Bulk) {
        return std::nullopt;
    }
    std::int64_t seconds = 0;
    for (const char c : replies[0].elements[0].text) {
        if (c < '0' || c > '9' || seconds > 1'000'000'000'000) {
            return std::nullopt;
        }
        seconds = seconds * 10 + (c - '0');
    }
    return seconds;
}

}  // namespace

struct CommandChannel::Impl {
    Impl(const PoolSettings& settings, OnElement element, OnProblem problem)
        : listKey(settings.key + ":cmd:" + settings.node),
          replyPrefix(settings.key + ":reply:"),
          password(settings.password),
          onElement(std::move(element)),
          onProblem(std::move(problem)),
          taker(ConfigFor(settings, kTakerTimeoutMs)),
          sender(ConfigFor(settings, kAnswerTimeoutMs)) {}

    // One failure in a row is reported; the pause before the next attempt doubles, and a
    // Reconnect or the end cuts it short.
    struct Streak {
        bool failing = false;
        int pauseMs = kFirstPauseMs;
    };

    void Failed(Streak& streak, const std::string& what, const std::string& detail,
                std::uint64_t seenReconnects) {
        std::unique_lock lock(mutex);
        if (reconnects != seenReconnects) {
            return;  // our own Reconnect ended the call: no failure, and no pause
        }
        if (!streak.failing && onProblem) {
            lock.unlock();
            onProblem(what + ": " + WithoutSecret(detail, password));
            lock.lock();
        }
        streak.failing = true;
        wake.wait_for(lock, std::chrono::milliseconds(streak.pauseMs),
                      [&] { return stopping || reconnects != seenReconnects; });
        streak.pauseMs = std::min(streak.pauseMs * 2, kLongestPauseMs);
    }

    std::uint64_t Reconnects() {
        std::lock_guard lock(mutex);
        return reconnects;
    }

    bool Stopping() {
        std::lock_guard lock(mutex);
        return stopping;
    }

    void Take() {
        Streak streak;
        std::uint64_t takenReconnects = 0;
        std::vector<resp::Reply> replies;
        while (!Stopping()) {
            const std::uint64_t seenReconnects = Reconnects();
            if (seenReconnects != takenReconnects) {
                taker.Close();  // asked between two calls: Abandon may have come too early
                takenReconnects = seenReconnects;
            }
            LinkResult result;
            if (!taker.IsOpen()) {
                result = taker.Connect();
            }
            if (result.ok()) {
                result = taker.Exchange({{"BLPOP", listKey, std::to_string(kChannelWaitSeconds)}},
                                        replies);
            }
            if (result.ok() && replies[0].type == resp::Reply::Type::Error) {
                result = {LinkResult::Fault::Refused, true, PrintableAscii(replies[0].text)};
            }
            if (!result.ok()) {
                Failed(streak, "command channel", result.detail, seenReconnects);
                continue;
            }
            streak = {};
            const resp::Reply& reply = replies[0];
            if (reply.type != resp::Reply::Type::Array || reply.elements.size() != 2 ||
                reply.elements[1].type != resp::Reply::Type::Bulk) {
                continue;  // nil: nothing came within the wait
            }
            std::string element = reply.elements[1].text;
            std::vector<resp::Reply> time;
            const std::optional<std::int64_t> now =
                taker.Exchange({{"TIME"}}, time).ok() ? Seconds(time) : std::nullopt;
            onElement(std::move(element), now);
        }
    }

    void Send() {
        Streak streak;
        std::uint64_t sentReconnects = 0;
        std::vector<resp::Reply> replies;
        for (;;) {
            std::pair<std::string, std::string> answer;
            std::uint64_t seenReconnects = 0;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [&] { return stopping || !answers.empty(); });
                if (stopping) {
                    return;
                }
                answer = answers.front();
                seenReconnects = reconnects;
            }
            if (seenReconnects != sentReconnects) {
                sender.Close();  // made over the line that went
                sentReconnects = seenReconnects;
            }
            LinkResult result;
            if (!sender.IsOpen()) {
                result = sender.Connect();
            }
            const std::string key = replyPrefix + answer.first;
            if (result.ok()) {
                result = sender.Exchange({{"LPUSH", key, answer.second},
                                          {"EXPIRE", key, std::to_string(kReplyKeepSeconds)}},
                                         replies);
            }
            if (!result.ok()) {
                Failed(streak, "command channel answer", result.detail, seenReconnects);
                continue;
            }
            streak = {};
            for (const resp::Reply& reply : replies) {
                if (reply.type == resp::Reply::Type::Error && onProblem) {
                    // Refused (an ACL, a key of another type): trying again would not mend it.
                    onProblem("command channel answer " + answer.first + ": " +
                              PrintableAscii(reply.text));
                    break;
                }
            }
            std::lock_guard lock(mutex);
            if (!answers.empty() && answers.front() == answer) {
                answers.pop_front();
            }
        }
    }

    const std::string listKey;
    const std::string replyPrefix;
    const std::string password;
    const OnElement onElement;
    const OnProblem onProblem;
    RedisLink taker;
    RedisLink sender;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::pair<std::string, std::string>> answers;  // id, JSON
    std::uint64_t reconnects = 0;
    bool stopping = false;
    std::thread takerThread;
    std::thread senderThread;
};

CommandChannel::CommandChannel(const PoolSettings& settings, OnElement onElement,
                               OnProblem onProblem)
    : impl_(std::make_unique<Impl>(settings, std::move(onElement), std::move(onProblem))) {
    impl_->takerThread = std::thread([impl = impl_.get()] { impl->Take(); });
    impl_->senderThread = std::thread([impl = impl_.get()] { impl->Send(); });
}

CommandChannel::~CommandChannel() {
    Stop();
}

void CommandChannel::Stop() {
    if (!impl_->takerThread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopping = true;
    }
    impl_->wake.notify_all();
    impl_->taker.Interrupt();
    impl_->sender.Interrupt();
    impl_->takerThread.join();
    impl_->senderThread.join();
}

void CommandChannel::Answer(std::string id, std::string json) {
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->answers.size() >= kMaxUnsentAnswers) {
            impl_->answers.pop_front();
        }
        impl_->answers.emplace_back(std::move(id), std::move(json));
    }
    impl_->wake.notify_all();
}

void CommandChannel::Reconnect() {
    {
        std::lock_guard lock(impl_->mutex);
        ++impl_->reconnects;
    }
    impl_->wake.notify_all();
    impl_->taker.Abandon();  // blocked in BLPOP; the sender closes its own before it sends
}

}  // namespace qv
