#include "notify/notify_follower_win.h"

#include "app/assistant.h"
#include "notify/notify_settings.h"

namespace qv {

void NotifyFollower::Start(LineListenerList& listeners) {
    const NotifySettings settings = ReadNotifySettings(s_.profile);
    if (settings.state == NotifySettings::State::Invalid) {
        ShowProblem(settings.problem);
    }
    if (settings.command.empty() && settings.url.empty()) {
        return;
    }
    notifier_ = std::make_unique<Notifier>(settings, [this](const Text& problem) {
        inbox_.Post([this, problem] { ShowProblem(problem); });
    });
    listeners.Add(*notifier_);
}

void NotifyFollower::ShowProblem(const Text& problem) {
    if (!problem.empty()) {
        s_.tray.BalloonTip(kBalloonTitle, problem, IconKind::Warning, kBalloonMilliseconds, true);
    }
}

}  // namespace qv
