#pragma once
// Those who follow the line, composed: the log, the line watch, the proxy pool (with the
// fleet's records, the check through the node's own proxy and the command channel, whose
// elements the scripting's runner takes) and the notifications,
// each started only when Config.ini asks for it. Each is wired in its own folder; their
// threads reach the window's thread only through the inbox.
#include <windows.h>

#include "app/assistant.h"
#include "app/line_listener_list.h"
#include "base/inbox.h"
#include "control/scripting_win.h"
#include "dialup/line_watch_win.h"
#include "notify/log_follower_win.h"
#include "notify/notify_follower_win.h"
#include "pool/pool_follower_win.h"
#include "web/proxied_fetch_win.h"

namespace qv {

class LineWiring {
  public:
    LineWiring(Assistant& assistant, Services& services, Scripting& scripting, Inbox& inbox);
    LineWiring(const LineWiring&) = delete;
    LineWiring& operator=(const LineWiring&) = delete;

    // After the window's start-up, once Config.ini's settings are read.
    void Start();
    // At the program's end: the watch first (our own teardown is no drop), then the pool,
    // whose field stays while the line does and whose key expires on its own; the log last.
    void Stop();

  private:
    Assistant& assistant_;
    Services& s_;
    Scripting& scripting_;
    Inbox& inbox_;
    LineListenerList listeners_;
    WinProxiedFetcher proxied_;
    PoolFollower pool_{s_, inbox_};
    NotifyFollower notify_{s_, inbox_};
    LogFollower log_{s_, inbox_};
    LineWatch watch_;
    LineUpListener watchFeed_{[this] { watch_.LineUp(); }};  // each line the program brought up
};

}  // namespace qv
