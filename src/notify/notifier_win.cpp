#include "notify/notifier_win.h"

#include <windows.h>

#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "base/failure_record_win.h"
#include "base/system_handles_win.h"
#include "base/system_text_win.h"
#include "notify/hook_runner_win.h"
#include "notify/notify_message.h"
#include "notify/webhook_post_win.h"

namespace qv {
namespace {

// How long the destructor waits for the worker to notice the stop; a POST blocked in the
// system past that is left to its own time limit on a thread nobody waits for.
constexpr DWORD kStopWaitMs = 500;

Text NumberInBrackets(const char* label, DWORD number) {
    return Text("（") + label + std::to_string(number) + "）";
}

}  // namespace

// Outside the anonymous namespace: the notifier's own state (Notifier::Shared) holds them.
struct QueuedEvent {
    LineEvent event;
    std::string time;
};

// One worker per part, each with its own queue: a web server that never answers must not
// hold back the command, nor the command the POST.
struct Lane {
    KernelObject wake{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    KernelObject finished{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::deque<QueuedEvent> queue;  // under Shared::mutex
    bool failing = false;           // the worker's own
};

// Shared with the worker threads, which may outlive the notifier by a blocked POST.
struct Notifier::Shared {
    NotifySettings settings;
    ProblemCallback onProblem;
    NotifierTimings timings;
    KernelObject stop{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::mutex mutex;  // the lanes' queues, stopping
    bool stopping = false;
    Lane hook;
    Lane post;
    std::mutex reportMutex;  // held while the callback runs, so none runs after the end

    bool Stopping() {
        std::lock_guard<std::mutex> lock(mutex);
        return stopping;
    }

    // Once per run of failures of one part.
    void Report(bool& failing, const Text& problem) {
        std::lock_guard<std::mutex> lock(reportMutex);
        if (!failing && !Stopping() && onProblem) {
            onProblem(problem);
        }
        failing = true;
    }

    void RunHookFor(const QueuedEvent& item) {
        const HookResult result =
            RunHook(settings.command, HookEnvironment(item.event), timings.hookLimitMs, stop.get());
        switch (result.outcome) {
            case HookResult::Outcome::Finished:
            case HookResult::Outcome::Unwatched:  // started, with nothing to wait on
                if (result.code != 0) {
                    // The command's own affair: recorded, not shown.
                    RecordFailure("Notification command (exit code)", result.code);
                }
                hook.failing = false;
                break;
            case HookResult::Outcome::CouldNotStart:
                Report(hook.failing, "通知命令无法运行" + NumberInBrackets("错误", result.code));
                break;
            case HookResult::Outcome::Killed:
                RecordFailure("Notification command (time limit reached, ms)", result.code);
                Report(hook.failing, "通知命令超过" + std::to_string(timings.hookLimitMs / 1000) +
                                         "秒未结束，已终止");
                break;
            case HookResult::Outcome::Abandoned:
                break;
        }
    }

    void PostFor(const QueuedEvent& item) {
        const std::string body = WebhookBody(item.event, GbkToUtf8Text, item.time);
        DWORD backOff = timings.firstRetryMs;
        PostResult result;
        for (int attempt = 1; attempt <= kPostTries; ++attempt) {
            result = PostJson(settings.url, body, timings.tryLimitMs);
            if (result.delivered) {
                post.failing = false;
                return;
            }
            if (!result.worthRetry || attempt == kPostTries ||
                WaitForSingleObject(stop.get(), backOff) != WAIT_TIMEOUT) {
                break;
            }
            backOff *= 2;
        }
        if (Stopping()) {
            return;
        }
        Report(post.failing,
               "通知网址未能送达" + (result.status != 0 ? NumberInBrackets("HTTP ", result.status)
                                                        : NumberInBrackets("错误", result.error)));
    }

    bool Take(Lane& lane, QueuedEvent& item) {
        while (true) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (stopping) {
                    return false;
                }
                if (!lane.queue.empty()) {
                    item = std::move(lane.queue.front());
                    lane.queue.pop_front();
                    return true;
                }
            }
            const HANDLE waits[] = {lane.wake.get(), stop.get()};
            WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        }
    }

    void Work(Lane& lane, void (Shared::*run)(const QueuedEvent&)) {
        QueuedEvent item;
        while (Take(lane, item)) {
            (this->*run)(item);
        }
        SetEvent(lane.finished.get());
    }

    // Under `mutex`.
    static void Queue(Lane& lane, const QueuedEvent& item) {
        if (lane.queue.size() >= kQueueLimit) {
            lane.queue.pop_front();
            RecordFailure("Notification queue (full, oldest event dropped; limit)", kQueueLimit);
        }
        lane.queue.push_back(item);
    }

    // The lanes of the parts that are on.
    std::vector<Lane*> Lanes() {
        std::vector<Lane*> lanes;
        if (!settings.command.empty()) {
            lanes.push_back(&hook);
        }
        if (!settings.url.empty()) {
            lanes.push_back(&post);
        }
        return lanes;
    }
};

Notifier::Notifier(const NotifySettings& settings, ProblemCallback onProblem,
                   NotifierTimings timings) {
    if (settings.command.empty() && settings.url.empty()) {
        return;
    }
    auto shared = std::make_shared<Shared>();
    shared->settings = settings;
    shared->onProblem = std::move(onProblem);
    shared->timings = timings;
    if (!shared->stop || !shared->hook.wake || !shared->hook.finished || !shared->post.wake ||
        !shared->post.finished) {
        RecordFailure("CreateEventA (notifier)", GetLastError());
        return;
    }
    try {
        if (!settings.command.empty()) {
            std::thread([shared] { shared->Work(shared->hook, &Shared::RunHookFor); }).detach();
        }
        if (!settings.url.empty()) {
            std::thread([shared] { shared->Work(shared->post, &Shared::PostFor); }).detach();
        }
    } catch (...) {
        RecordFailure("Notifier thread", "the system refused a thread");
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->stopping = true;  // a worker that did start ends at once
        SetEvent(shared->stop.get());
        return;
    }
    shared_ = std::move(shared);
}

Notifier::~Notifier() {
    if (!shared_) {
        return;
    }
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->stopping = true;
    }
    SetEvent(shared_->stop.get());
    // Past this no callback runs: one under way is waited for.
    std::lock_guard<std::mutex> report(shared_->reportMutex);
    std::vector<HANDLE> finished;
    for (Lane* lane : shared_->Lanes()) {
        finished.push_back(lane->finished.get());
    }
    WaitForMultipleObjects(static_cast<DWORD>(finished.size()), finished.data(), TRUE, kStopWaitMs);
}

void Notifier::OnLineEvent(const LineEvent& event) {
    if (!shared_) {
        return;
    }
    const QueuedEvent item{event, LocalTimeText()};
    const std::vector<Lane*> lanes = shared_->Lanes();
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        for (Lane* lane : lanes) {
            Shared::Queue(*lane, item);
        }
    }
    for (Lane* lane : lanes) {
        SetEvent(lane->wake.get());
    }
}

}  // namespace qv
