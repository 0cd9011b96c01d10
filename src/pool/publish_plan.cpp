#include "pool/publish_plan.h"

#include <algorithm>
#include <utility>

namespace qv {

PublishPlan::PublishPlan(PlanConfig config) : config_(std::move(config)) {}

void PublishPlan::WantPublished(const std::string& value, std::int64_t now) {
    Want({PoolTarget::Kind::Published, value}, now);
}

void PublishPlan::WantWithdrawn(std::int64_t now) {
    Want({PoolTarget::Kind::Withdrawn, {}}, now);
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
    }
    retryAt_ = std::min(retryAt_, now);
}

std::string PublishPlan::ExpiryKey() const {
    return config_.key + ":" + config_.node;
}

resp::Command PublishPlan::SetWithExpiry() const {
    return {"SET", ExpiryKey(), wanted_.value, "EX", std::to_string(config_.ttlSeconds)};
}

PlanStep PublishPlan::Next(std::int64_t now) const {
    PlanStep step;
    const bool differs = held_ != wanted_;
    if (wanted_.kind == PoolTarget::Kind::Unknown ||
        (!differs && wanted_.kind != PoolTarget::Kind::Published)) {
        step.wakeAt = kNever;
        return step;
    }
    const std::int64_t due = differs ? retryAt_ : std::max(retryAt_, renewAt_);
    if (now < due) {
        step.wakeAt = due;
        return step;
    }
    if (!connected_) {
        step.action = PlanStep::Action::Connect;
        return step;
    }
    step.action = PlanStep::Action::Send;
    step.target = wanted_;
    step.generation = generation_;
    if (wanted_.kind == PoolTarget::Kind::Withdrawn) {
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
    renewAt_ = held_.kind == PoolTarget::Kind::Published
                   ? now + static_cast<std::int64_t>(config_.ttlSeconds) * 1000 / 3
                   : kNever;
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
