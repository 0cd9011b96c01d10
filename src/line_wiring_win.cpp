#include "line_wiring_win.h"

#include "base/failure_record_win.h"
#include "base/main_window_win.h"

namespace qv {
namespace {

Text ComputerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? Text(name, size) : Text();
}

}  // namespace

LineWiring::LineWiring(Assistant& assistant, Services& services, Scripting& scripting,
                       HWND mainWindow)
    : assistant_(assistant), s_(services), scripting_(scripting), mainWindow_(mainWindow) {}

void LineWiring::ShowOnce(const Text& text, IconKind kind) {
    s_.tray.BalloonTip(kBalloonTitle, text, kind, kBalloonMilliseconds, true);
}

void LineWiring::Start() {
    listeners_.Add(scripting_.RetryReporter());

    poolSettings_ = ReadPoolSettings(s_.profile, ComputerName());
    if (poolSettings_.state == PoolSettings::State::Invalid) {
        ShowOnce(poolSettings_.problem, IconKind::Warning);
    } else if (poolSettings_.state == PoolSettings::State::On) {
        pool_ = std::make_unique<PoolPublisher>(poolSettings_, [this](PoolHealth health) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                poolHealth_ = std::move(health);
            }
            PostMessageA(mainWindow_, kPoolHealthMessage, 0, 0);
        });
        poolListener_ = std::make_unique<PoolListener>(poolSettings_, *pool_);
        listeners_.Add(*poolListener_);
        scripting_.Board().SetPoolFacts([pool = pool_.get()] {
            const PoolSnapshot snapshot = pool->Snapshot();
            PoolFacts facts;
            facts.state = snapshot.state == PoolSnapshot::State::Ok ? "ok" : "unreachable";
            facts.value = snapshot.published;
            return facts;
        });
        // A line that is up already gets its address published at once.
        if (s_.dialup.IsConnected()) {
            LineEvent event;
            event.ip = assistant_.PublicIpLookup();
            poolListener_->OnLineEvent(event);
        }
    }

    const NotifySettings notify = ReadNotifySettings(s_.profile);
    if (notify.state == NotifySettings::State::Invalid) {
        ShowOnce(notify.problem, IconKind::Warning);
    }
    if (!notify.command.empty() || !notify.url.empty()) {
        notifier_ = std::make_unique<Notifier>(notify, [this](const Text& problem) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                notifyProblem_ = problem;
            }
            PostMessageA(mainWindow_, kNotifyProblemMessage, 0, 0);
        });
        listeners_.Add(*notifier_);
    }

    s_.listeners = &listeners_;
    // Only what a drop would change is worth watching for.
    if (assistant_.KeepLine().redialOnDrop || pool_ || notifier_) {
        const HWND window = mainWindow_;
        listeners_.Add(watchFeed_);
        scripting_.Board().SetWatch(
            watch_.Start([window] { PostMessageA(window, kLineDownMessage, 0, 0); }));
    }
}

std::optional<LRESULT> LineWiring::OnMessage(UINT message, WPARAM, LPARAM) {
    switch (message) {
        case kLineDownMessage:
            scripting_.LineDown();
            return 0;
        case kPoolHealthMessage: {
            std::optional<PoolHealth> health;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                health.swap(poolHealth_);
            }
            if (health) {
                const bool ok = health->state == PoolHealth::State::Ok;
                // The recovery is recorded too: a developer sees how long the failure lasted.
                RecordFailure(ok ? "proxy pool: Redis (answering again)" : "proxy pool: Redis",
                              health->detail.c_str());
                ShowOnce(ok ? Text("代理池已恢复连接") : "代理池连接失败：" + health->detail,
                         ok ? IconKind::Info : IconKind::Warning);
            }
            return 0;
        }
        case kNotifyProblemMessage: {
            Text problem;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                problem.swap(notifyProblem_);
            }
            if (!problem.empty()) {
                ShowOnce(problem, IconKind::Warning);
            }
            return 0;
        }
        default:
            return std::nullopt;
    }
}

void LineWiring::Stop() {
    watch_.Stop();
    s_.listeners = nullptr;
    if (pool_) {
        pool_->StopLeavingField();
    }
    notifier_.reset();
}

}  // namespace qv
