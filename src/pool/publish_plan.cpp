#include "pool/publish_plan.h"

#include <algorithm>
#include <utility>

namespace qv {

PublishPlan::PublishPlan(PlanConfig config) : config_(std::move(config)) {}

void PublishPlan::WantPublished(const std::string& value, std::int64_t now,
                                const std::string& address) {
    Want({PoolTarget::Kind::Published, value, address}, now);
}

void PublishPlan::WantWithdrawn(std::int64_t now) {
    Want({PoolTarget::Kind::Withdrawn, {}, {}}, now);
}

// Asked again for what Redis does not hold yet (a second withdraw while it is away), it is
// tried again at once as well.
void PublishPlan::Want(PoolTarget target, std::int64_t now) {
    if (target == wanted_ && held_ == wanted_) {
        return;
    }
    if (target != wanted_) {
        wanted_ = std::move(target);
        ++generation_;
        verified_.clear();
        checkFailed_ = false;
        checkAt_ = now;
        renewalChecked_ = false;
        failedRenewals_ = 0;
    }
    retryAt_ = std::min(retryAt_, now);
}

std::string PublishPlan::ExpiryKey() const {
    return config_.key + ":" + config_.node;
}

resp::Command PublishPlan::SetWithExpiry() const {
    return {"SET", ExpiryKey(), wanted_.value, "EX", std::to_string(config_.ttlSeconds)};
}

bool PublishPlan::Unverified() const {
    return config_.check && wanted_.kind == PoolTarget::Kind::Published &&
           verified_ != wanted_.value && checkFailed_;
}

PlanStep PublishPlan::Next(std::int64_t now) const {
    PlanStep step;
    const bool published = wanted_.kind == PoolTarget::Kind::Published;
    const bool awaitingCheck = config_.check && published && verified_ != wanted_.value;
    // An address waiting for its check is not published: one that failed its renewals is
    // taken out first, then checked again.
    const PoolTarget goal = awaitingCheck && held_.kind == PoolTarget::Kind::Published
                                ? PoolTarget{PoolTarget::Kind::Withdrawn, {}, {}}
                                : wanted_;
    if (awaitingCheck && held_.kind != PoolTarget::Kind::Published) {
        if (now < checkAt_) {
            step.wakeAt = checkAt_;
            return step;
        }
        step.action = PlanStep::Action::Check;
        step.target = wanted_;
        step.generation = generation_;
        return step;
    }
    const bool differs = held_ != goal;
    if (goal.kind == PoolTarget::Kind::Unknown ||
        (!differs && goal.kind != PoolTarget::Kind::Published)) {
        step.wakeAt = kNever;
        return step;
    }
    const std::int64_t due = differs ? retryAt_ : std::max(retryAt_, renewAt_);
    if (now < due) {
        step.wakeAt = due;
        return step;
    }
    if (!differs && config_.check && !renewalChecked_) {
        step.action = PlanStep::Action::Check;
        step.target = wanted_;
        step.generation = generation_;
        return step;
    }
    if (!connected_) {
        step.action = PlanStep::Action::Connect;
        return step;
    }
    step.action = PlanStep::Action::Send;
    step.target = goal;
    step.generation = generation_;
    if (goal.kind == PoolTarget::Kind::Withdrawn) {
        step.commands = {{"HDEL", config_.key, config_.node}, {"DEL", ExpiryKey()}};
    } else if (differs) {
        step.commands = {{"HSET", config_.key, config_.node, wanted_.value}, SetWithExpiry()};
    } else {
        step.commands = {SetWithExpiry()};
    }
    return step;
}

void PublishPlan::Connected() {
    connected_ = true;
}

void PublishPlan::Confirmed(const PlanStep& step, std::int64_t now) {
    held_ = step.target;
    confirmedGeneration_ = step.generation;
    backoffMs_ = kFirstBackoffMs;
    renewalChecked_ = false;
    renewAt_ = held_.kind == PoolTarget::Kind::Published
                   ? now + static_cast<std::int64_t>(config_.ttlSeconds) * 1000 / 3
                   : kNever;
}

void PublishPlan::Checked(const PlanStep& step, bool passed, std::int64_t now) {
    if (step.generation != generation_) {
        return;  // the line has changed since
    }
    if (held_ == wanted_) {
        renewalChecked_ = true;
        failedRenewals_ = passed ? 0 : failedRenewals_ + 1;
        if (failedRenewals_ >= kFailedRenewalsToWithdraw) {
            verified_.clear();
            checkFailed_ = true;
            failedRenewals_ = 0;
            checkAt_ = now + kCheckRetryMs;
        }
        return;
    }
    checkFailed_ = !passed;
    if (passed) {
        verified_ = wanted_.value;
    } else {
        checkAt_ = now + kCheckRetryMs;
    }
}

void PublishPlan::Dropped() {
    connected_ = false;
    held_ = {};
}

void PublishPlan::Failed(std::int64_t now, bool retryCanMend) {
    connected_ = false;
    held_ = {};
    retryAt_ = retryCanMend ? now + backoffMs_ : kNever;
    // Never longer than a renew period: a Redis that is back gets the address before a key
    // set then would have been renewed, however long it was away.
    const std::int64_t renewMs = static_cast<std::int64_t>(config_.ttlSeconds) * 1000 / 3;
    backoffMs_ = std::min({backoffMs_ * 2, kMaxBackoffMs, std::max(renewMs, kFirstBackoffMs)});
}

}  // namespace qv
