#pragma once
// Scripting in the running program: the command line's link on the main window and, when
// Config.ini asks for it, the local HTTP control. A user who uses neither sees nothing of
// it: no port, no file, no text.
#include <windows.h>  // first: ports.h's MessageBox must meet the same macro everywhere

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>

#include "app/app_state.h"
#include "app/assistant.h"
#include "base/failure_record_win.h"
#include "base/inbox.h"
#include "control/channel_runner.h"
#include "control/host.h"
#include "control/http_control.h"
#include "control/metrics.h"
#include "control/script_host.h"
#include "control/text_codec_win.h"
#include "control/window_link_win.h"

namespace qv {

class Scripting {
  public:
    // `mainWindow` gives the main window once it is made. The entry hands OnMessage to the
    // form before the window is made, and the inbox wakes only once it is, so requests that
    // arrive during the start-up wait for it to end.
    Scripting(Assistant& assistant, AppState& state, Services& services, Inbox& inbox,
              std::function<HWND()> mainWindow);
    Scripting(const Scripting&) = delete;
    Scripting& operator=(const Scripting&) = delete;

    // Every unit event's handler runs through here.
    std::intptr_t Raise(Handler handler, std::intptr_t a, std::intptr_t b) {
        return host_.Raise(handler, a, b);
    }

    // The main window's messages that the form leaves alone.
    std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        link_.SetMainWindow(mainWindow_());
        return link_.OnMessage(message, wParam, lParam);
    }

    // After the window's start-up: the HTTP control, when configured. An invalid
    // configuration says why in a balloon and starts nothing.
    void StartRemoteControl();

    // The line watch saw the line go down: handled like an event, so scripts wait for it.
    void LineDown() { host_.LineDown(); }
    void StartUnattended(const UnattendedSettings& settings) { host_.StartUnattended(settings); }

    // What a status tells beyond the last command: the watch, a pending retry, the pool.
    StatusBoard& Board() { return board_; }
    // Follows the line for the board: a status answered while a command runs tells the line
    // and a pending retry as they are.
    LineListeners& BoardFollower() { return boardListener_; }
    // Counts what GET /metrics tells.
    LineListeners& MetricsFollower() { return metrics_; }
    // Runs what a controller leaves in Redis, through the same queue.
    ChannelRunner& Channel() { return channel_; }

  private:
    Services& s_;
    std::function<HWND()> mainWindow_;
    WinTextCodec codec_;
    CommandQueue queue_;
    StatusBoard board_{[] { return static_cast<std::uint32_t>(GetTickCount()); }};
    ScriptHost host_;
    ScriptLink link_;
    BoardListener boardListener_{board_};
    ChannelRunner channel_{queue_, board_, codec_, [](const std::string& what) {
                               RecordFailure("command channel", what.c_str());
                           }};
    Metrics metrics_{[] { return static_cast<std::uint32_t>(GetTickCount()); },
                     [] { return static_cast<std::int64_t>(std::time(nullptr)); }};
};

// The entry's end routine: stops the HTTP control's thread before the process ends.
void StopRemoteControlAtExit();

}  // namespace qv
