#include "control/scripting_win.h"

#include "control/remote_settings.h"
#include "control/window_link_win.h"

namespace qv {
namespace {

// The program ends through EndProgram, which does not return to unwind the entry's locals:
// the running control is kept here for the end routine.
std::unique_ptr<HttpControl>& RunningControl() {
    static std::unique_ptr<HttpControl> control;
    return control;
}

}  // namespace

Scripting::Scripting(Assistant& assistant, AppState& state, Services& services, Inbox& inbox,
                     std::function<HWND()> mainWindow)
    : s_(services),
      mainWindow_(std::move(mainWindow)),
      queue_([this, &inbox] {
          inbox.Post([this] {
              link_.SetMainWindow(mainWindow_());
              link_.RunSoon();
          });
      }),
      host_(assistant, state, services, queue_, board_),
      link_(host_, queue_, board_, codec_) {}

void Scripting::StartRemoteControl() {
    const RemoteSettings settings = ReadRemoteSettings(s_.profile);
    if (settings.state == RemoteSettings::State::Off) {
        return;
    }
    if (settings.state == RemoteSettings::State::On) {
        auto control = std::make_unique<HttpControl>(queue_, board_, codec_, settings.token);
        control->SetMetrics([this] {
            const ScriptOutcome status = board_.Status(false);
            return metrics_.Text({.lineUp = status.connected,
                                  .poolUp = status.pool == "ok",
                                  .commandsWaiting = queue_.Waiting()});
        });
        if (control->Start(settings.address, settings.port)) {
            host_.Run({ScriptVerb::Status});  // a first state for status requests while busy
            RunningControl() = std::move(control);
            return;
        }
    }
    const Text problem = settings.state == RemoteSettings::State::Invalid
                             ? settings.problem
                             : ListenFailureText(settings.address, settings.port);
    s_.tray.BalloonTip(kBalloonTitle, problem, IconKind::Warning, kBalloonMilliseconds, true);
}

void StopRemoteControlAtExit() {
    if (RunningControl()) {
        RunningControl()->Stop();
    }
}

}  // namespace qv
