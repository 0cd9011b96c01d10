#pragma once
// The notifications as they follow the line in the program: [通知] read once, the notifier
// started when it names a command or an address, and a balloon for each problem it reports.
#include <memory>

#include "app/line_listener_list.h"
#include "app/ports.h"
#include "base/inbox.h"
#include "notify/notifier_win.h"

namespace qv {

class NotifyFollower {
  public:
    NotifyFollower(Services& services, Inbox& inbox) : s_(services), inbox_(inbox) {}
    NotifyFollower(const NotifyFollower&) = delete;
    NotifyFollower& operator=(const NotifyFollower&) = delete;

    // After the window's start-up. An invalid section says why in a balloon.
    void Start(LineListenerList& listeners);
    bool On() const { return notifier_ != nullptr; }
    // At the program's end; returns promptly (see Notifier).
    void Stop() { notifier_.reset(); }

  private:
    void ShowProblem(const Text& problem);

    Services& s_;
    Inbox& inbox_;
    std::unique_ptr<Notifier> notifier_;
};

}  // namespace qv
