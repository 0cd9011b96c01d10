#include "pool/pool_follower_win.h"

#include <windows.h>

#include "app/assistant.h"
#include "base/failure_record_win.h"
#include "pool/proxy_check.h"

namespace qv {
namespace {

Text ComputerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? Text(name, size) : Text();
}

}  // namespace

void PoolFollower::Start(LineListenerList& listeners, const Text& startUpAddress,
                         const Text& echoPage, CommandChannel::OnElement onCommand) {
    settings_ = ReadPoolSettings(s_.profile, ComputerName());
    if (settings_.state == PoolSettings::State::Invalid) {
        s_.tray.BalloonTip(kBalloonTitle, settings_.problem, IconKind::Warning,
                           kBalloonMilliseconds, true);
        return;
    }
    if (settings_.state != PoolSettings::State::On) {
        return;
    }
    PoolPublisher::AddressCheck check;
    if (settings_.check && s_.proxied != nullptr) {
        check = [this, echoPage](const PoolTarget& target) {
            return AddressWorksThroughProxy(*s_.proxied, settings_, echoPage, target.address);
        };
    }
    publisher_ = std::make_unique<PoolPublisher>(
        settings_,
        [this](PoolHealth health) {
            inbox_.Post([this, health = std::move(health)] { ShowHealth(health); });
        },
        std::move(check));
    fleet_ = std::make_unique<PoolFleet>(settings_, *publisher_);
    listener_ = std::make_unique<PoolListener>(settings_, *publisher_, *fleet_);
    listeners.Add(*listener_);
    if (settings_.commands) {
        channel_ = std::make_unique<CommandChannel>(
            settings_, std::move(onCommand),
            [](const std::string& detail) { RecordFailure("command channel", detail.c_str()); });
        listeners.Add(channelFollower_);
    }
    if (!startUpAddress.empty() && s_.dialup.IsConnected()) {
        LineEvent event;
        event.ip = startUpAddress;
        listener_->OnLineEvent(event);
    }
}

PoolStatusWords PoolFollower::Words() const {
    const PoolSnapshot snapshot = publisher_->Snapshot();
    const char* state = snapshot.state == PoolSnapshot::State::Ok           ? "ok"
                        : snapshot.state == PoolSnapshot::State::Unverified ? "unverified"
                                                                            : "unreachable";
    return {state, snapshot.published};
}

void PoolFollower::AnswerCommand(const std::string& id, std::string json) {
    if (channel_) {
        channel_->Answer(id, std::move(json));
    }
}

void PoolFollower::ShowHealth(const PoolHealth& health) {
    if (health.state == PoolHealth::State::Unverified ||
        health.state == PoolHealth::State::Verified) {
        const bool passed = health.state == PoolHealth::State::Verified;
        RecordShown("proxy pool", passed ? "check passed" : "check failed");
        s_.tray.BalloonTip(kBalloonTitle,
                           passed ? Text("代理检查已通过，地址已发布")
                                  : Text("代理检查未通过：经本机代理看不到当前IP，暂不发布"),
                           passed ? IconKind::Info : IconKind::Warning, kBalloonMilliseconds, true);
        return;
    }
    const bool ok = health.state == PoolHealth::State::Ok;
    // The recovery is recorded too: a developer sees how long the failure lasted.
    RecordFailure(ok ? "proxy pool: Redis (answering again)" : "proxy pool: Redis",
                  health.detail.c_str());
    s_.tray.BalloonTip(kBalloonTitle,
                       ok ? Text("代理池已恢复连接") : "代理池连接失败：" + health.detail,
                       ok ? IconKind::Info : IconKind::Warning, kBalloonMilliseconds, true);
}

void PoolFollower::Stop() {
    if (s_.proxied != nullptr) {
        s_.proxied->EndAll();  // a check under way must not hold the worker, nor the program
    }
    if (channel_) {
        channel_->Stop();  // its calls to Redis end at once
    }
    if (publisher_) {
        publisher_->StopLeavingField();
    }
}

}  // namespace qv
