#include "pool/pool_publisher.h"

#include <chrono>
#include <optional>
#include <system_error>
#include <utility>

#include "pool/redis_link.h"

namespace qv {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMostToldCommands = 16;

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
}

// Every reply must be the one its command gives on success; a Redis error is the failure's
// detail (a key of the wrong type, a read-only replica, out of memory).
LinkResult CheckReplies(const std::vector<resp::Command>& commands,
                        const std::vector<resp::Reply>& replies) {
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const std::string& name = commands[i].front();
        const resp::Reply& reply = replies[i];
        if (reply.type == resp::Reply::Type::Error) {
            return {LinkResult::Fault::Refused, !RefusalIsFinal(reply.text),
                    PrintableAscii(name + ": " + reply.text)};
        }
        const bool good = name == "SET"
                              ? reply.type == resp::Reply::Type::Simple && reply.text == "OK"
                              : reply.type == resp::Reply::Type::Integer;
        if (!good) {
            return {LinkResult::Fault::Garbage, true, name + ": unexpected reply"};
        }
    }
    return {};
}

}  // namespace

PoolPublisher::PoolPublisher(PoolSettings settings, std::function<void(PoolHealth)> onHealthChange,
                             AddressCheck check)
    : enabled_(settings.state == PoolSettings::State::On),
      password_(settings.password),
      onHealthChange_(std::move(onHealthChange)),
      check_(std::move(check)),
      plan_(PlanConfig{settings.key, settings.node, settings.ttlSeconds,
                       settings.check && check_ != nullptr}) {
    if (!enabled_) {
        return;
    }
    link_ = std::make_unique<RedisLink>(
        LinkConfig{settings.redisHost, settings.redisPort, settings.user, settings.password});
    snapshot_.state = PoolSnapshot::State::Ok;
    // Built on the window's thread: a thread the system refuses must not throw through it.
    try {
        worker_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        snapshot_.state = PoolSnapshot::State::Unreachable;
    }
}

PoolPublisher::~PoolPublisher() {
    StopLeavingField();
}

void PoolPublisher::Publish(const std::string& ipPort, const std::string& address) {
    if (!enabled_ || ipPort.empty()) {
        return;
    }
    std::lock_guard lock(mutex_);
    plan_.WantPublished(ipPort, NowMs(), address);
    wake_.notify_all();
}

void PoolPublisher::Withdraw() {
    if (!enabled_) {
        return;
    }
    std::lock_guard lock(mutex_);
    plan_.WantWithdrawn(NowMs());
    wake_.notify_all();
}

bool PoolPublisher::WithdrawBeforeHangUp() {
    if (!enabled_) {
        return false;
    }
    std::unique_lock lock(mutex_);
    return AwaitWithdraw(kWithdrawWaitMs, lock);
}

bool PoolPublisher::AwaitWithdraw(int limitMs, std::unique_lock<std::mutex>& lock) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    plan_.WantWithdrawn(NowMs());
    const std::uint64_t generation = plan_.Generation();
    // Only an attempt started after this request tells about it.
    const std::uint64_t attemptsBefore = attemptsStarted_;
    wake_.notify_all();
    const auto confirmed = [&] {
        return plan_.Held().kind == PoolTarget::Kind::Withdrawn &&
               plan_.ConfirmedGeneration() >= generation;
    };
    answered_.wait_until(lock, deadline, [&] {
        return stopping_ || confirmed() || lastFailedAttempt_ > attemptsBefore;
    });
    return confirmed();
}

void PoolPublisher::StopLeavingField() {
    {
        std::unique_lock lock(mutex_);
        if (stopping_ || !enabled_) {
            return;
        }
        if (plan_.Wanted().kind == PoolTarget::Kind::Withdrawn && plan_.Held() != plan_.Wanted()) {
            AwaitWithdraw(kLastWithdrawWaitMs, lock);
        }
        stopping_ = true;
        wake_.notify_all();
        answered_.notify_all();
    }
    link_->Interrupt();
    if (worker_.joinable()) {
        worker_.join();
    }
}

PoolSnapshot PoolPublisher::Snapshot() const {
    std::lock_guard lock(mutex_);
    PoolSnapshot snapshot = snapshot_;
    if (enabled_ && plan_.Unverified()) {
        snapshot.state = PoolSnapshot::State::Unverified;
    }
    return snapshot;
}

std::optional<std::vector<resp::Reply>> PoolPublisher::Ask(std::vector<resp::Command> commands,
                                                           int limitMs) {
    if (!enabled_) {
        return std::nullopt;
    }
    std::unique_lock lock(mutex_);
    if (stopping_) {
        return std::nullopt;
    }
    const std::uint64_t number = ++questionsAsked_;
    question_ = Question{number, std::move(commands)};
    wake_.notify_all();
    answered_.wait_for(lock, std::chrono::milliseconds(limitMs),
                       [&] { return stopping_ || answeredQuestion_ >= number; });
    if (answeredQuestion_ < number) {
        if (question_ && question_->number == number) {
            question_.reset();  // never sent: an answer nobody waits for would only mislead
        }
        return std::nullopt;
    }
    return std::move(answer_);
}

void PoolPublisher::Tell(std::vector<resp::Command> commands) {
    if (!enabled_) {
        return;
    }
    std::lock_guard lock(mutex_);
    if (told_.size() == kMostToldCommands) {
        told_.pop_front();
    }
    told_.push_back(std::move(commands));
    wake_.notify_all();
}

void PoolPublisher::Run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        // Nothing may leave the thread: a failure here is one more failed step.
        try {
            Work(lock);
        } catch (...) {
            if (!lock.owns_lock()) {
                lock.lock();
            }
            link_->Close();
            exchangesOnLink_ = 0;
            plan_.Failed(NowMs(), true);
            lastFailedAttempt_ = attemptsStarted_;
            snapshot_.state = PoolSnapshot::State::Unreachable;
            answered_.notify_all();
        }
    }
}

void PoolPublisher::Work(std::unique_lock<std::mutex>& lock) {
    const PlanStep step = plan_.Next(NowMs());
    if (step.action == PlanStep::Action::Check) {
        CarryCheck(step, lock);
        return;
    }
    if (step.action == PlanStep::Action::Wait) {
        if (question_ || !told_.empty()) {
            CarryRequest(lock);
        } else if (step.wakeAt == PublishPlan::kNever) {
            wake_.wait(lock);
        } else {
            wake_.wait_until(lock, Clock::time_point(std::chrono::milliseconds(step.wakeAt)));
        }
        return;
    }
    Carry(step, lock);
}

void PoolPublisher::CarryCheck(const PlanStep& step, std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    bool passed = false;
    try {
        passed = check_(step.target);
    } catch (...) {
        // A check that cannot run has not passed.
    }
    lock.lock();
    if (stopping_) {
        return;
    }
    const bool before = plan_.Unverified();
    plan_.Checked(step, passed, NowMs());
    const bool after = plan_.Unverified();
    if (before != after) {
        ReportHealth({after ? PoolHealth::State::Unverified : PoolHealth::State::Verified, {}},
                     lock);
    }
}

void PoolPublisher::CarryRequest(std::unique_lock<std::mutex>& lock) {
    std::uint64_t number = 0;
    std::vector<resp::Command> commands;
    if (question_) {
        number = question_->number;
        commands = std::move(question_->commands);
        question_.reset();
    } else {
        commands = std::move(told_.front());
        told_.pop_front();
    }
    const bool wasOpen = plan_.IsConnected();
    lock.unlock();
    LinkResult result = wasOpen ? LinkResult{} : link_->Connect();
    std::vector<resp::Reply> replies;
    if (result.ok()) {
        result = link_->Exchange(commands, replies);
    }
    lock.lock();
    if (stopping_) {
        return;
    }
    if (result.ok()) {
        if (!wasOpen) {
            plan_.Connected();
        }
        ++exchangesOnLink_;
    } else {
        // What Redis holds is unknown now: the publishing sends its whole state again.
        link_->Close();
        exchangesOnLink_ = 0;
        plan_.Dropped();
    }
    if (number != 0) {
        answer_ = result.ok() ? std::optional(std::move(replies)) : std::nullopt;
        answeredQuestion_ = number;
        answered_.notify_all();
    }
}

void PoolPublisher::ReportHealth(const PoolHealth& health, std::unique_lock<std::mutex>& lock) {
    if (!onHealthChange_) {
        return;
    }
    lock.unlock();
    try {
        onHealthChange_(health);
    } catch (...) {
        // The callback only posts to the window; its failure must not end the worker.
    }
    lock.lock();
}

// Runs one step with the lock released, then records its outcome.
void PoolPublisher::Carry(const PlanStep& step, std::unique_lock<std::mutex>& lock) {
    const bool reused = exchangesOnLink_ > 0;
    const std::uint64_t attempt = ++attemptsStarted_;
    lock.unlock();
    LinkResult result;
    if (step.action == PlanStep::Action::Connect) {
        result = link_->Connect();
    } else {
        std::vector<resp::Reply> replies;
        result = link_->Exchange(step.commands, replies);
        if (result.ok()) {
            result = CheckReplies(step.commands, replies);
        }
    }
    lock.lock();
    if (stopping_) {
        return;
    }
    std::optional<PoolHealth> change;
    if (result.fault == LinkResult::Fault::Transport && reused) {
        // Only a fresh connection's failure counts; this one may have died quietly at rest.
        link_->Close();
        exchangesOnLink_ = 0;
        plan_.Dropped();
    } else if (!result.ok()) {
        link_->Close();
        exchangesOnLink_ = 0;
        plan_.Failed(NowMs(), result.retryCanMend);
        lastFailedAttempt_ = attempt;
        snapshot_.state = PoolSnapshot::State::Unreachable;
        if (!failing_) {
            failing_ = true;
            change =
                PoolHealth{PoolHealth::State::Unreachable, WithoutSecret(result.detail, password_)};
        }
    } else if (step.action == PlanStep::Action::Connect) {
        exchangesOnLink_ = 0;
        plan_.Connected();
    } else {
        ++exchangesOnLink_;
        plan_.Confirmed(step, NowMs());
        snapshot_.state = PoolSnapshot::State::Ok;
        snapshot_.published =
            step.target.kind == PoolTarget::Kind::Published ? step.target.value : "";
        if (failing_) {
            failing_ = false;
            change = PoolHealth{PoolHealth::State::Ok, {}};
        }
    }
    answered_.notify_all();
    if (change) {
        ReportHealth(*change, lock);
    }
}

}  // namespace qv
