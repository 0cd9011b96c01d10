#include "notify/notifier_win.h"

#include <windows.h>

#include <deque>
#include <mutex>
#include <thread>

#include "base/failure_record_win.h"
#include "base/system_handles_win.h"
#include "notify/hook_runner_win.h"
#include "notify/notify_message.h"
#include "notify/webhook_post_win.h"

namespace qv {
namespace {

// How long the destructor waits for the worker to notice the stop; a POST blocked in the
// system past that is left to its own time limit on a thread nobody waits for.
constexpr DWORD kStopWaitMs = 500;
constexpr UINT kGbkCodePage = 936;

struct QueuedEvent {
    LineEvent event;
    std::string time;
};

std::string GbkToUtf8Text(const Text& text) {
    if (text.empty()) {
        return std::string();
    }
    const int size = static_cast<int>(text.size());
    const int chars = MultiByteToWideChar(kGbkCodePage, 0, text.data(), size, nullptr, 0);
    if (chars <= 0) {
        return std::string();
    }
    std::wstring wide(static_cast<std::size_t>(chars), L'\0');
    MultiByteToWideChar(kGbkCodePage, 0, text.data(), size, wide.data(), chars);
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), chars, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return std::string();
    }
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), chars, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

// Local time with its offset from UTC (daylight saving included), or UTC when the system
// cannot tell the local time.
std::string NowText() {
    FILETIME utcFile;
    GetSystemTimeAsFileTime(&utcFile);
    SYSTEMTIME utc;
    SYSTEMTIME local;
    FILETIME localFile;
    FileTimeToSystemTime(&utcFile, &utc);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
        !SystemTimeToFileTime(&local, &localFile)) {
        return IsoTimeText(utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond,
                           std::nullopt);
    }
    const auto ticks = [](const FILETIME& time) {
        return static_cast<long long>((ULONGLONG{time.dwHighDateTime} << 32) | time.dwLowDateTime);
    };
    // 100 ns ticks; the clock moved on between the two readings by less than a minute.
    const long long offsetTicks = ticks(localFile) - ticks(utcFile);
    constexpr long long kTicksPerMinute = 600000000LL;
    const long long offsetMinutes =
        (offsetTicks + (offsetTicks < 0 ? -1 : 1) * kTicksPerMinute / 2) / kTicksPerMinute;
    return IsoTimeText(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute,
                       local.wSecond, static_cast<int>(offsetMinutes));
}

Text NumberInBrackets(const char* label, DWORD number) {
    return Text("（") + label + std::to_string(number) + "）";
}

}  // namespace

// Shared with the worker thread, which may outlive the notifier by a blocked POST.
struct Notifier::Shared {
    NotifySettings settings;
    ProblemCallback onProblem;
    NotifierTimings timings;
    KernelObject wake{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
    KernelObject stop{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    KernelObject finished{CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    std::mutex mutex;  // queue, stopping
    std::deque<QueuedEvent> queue;
    bool stopping = false;
    std::mutex reportMutex;  // held while the callback runs, so none runs after the end
    bool hookFailing = false;
    bool postFailing = false;

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
                if (result.code != 0) {
                    // The command's own affair: recorded, not shown.
                    RecordFailure("Notification command (exit code)", result.code);
                }
                hookFailing = false;
                break;
            case HookResult::Outcome::CouldNotStart:
                Report(hookFailing, "通知命令无法运行" + NumberInBrackets("错误", result.code));
                break;
            case HookResult::Outcome::Killed:
                RecordFailure("Notification command (time limit reached, ms)", result.code);
                Report(hookFailing, "通知命令超过" + std::to_string(timings.hookLimitMs / 1000) +
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
                postFailing = false;
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
        Report(postFailing,
               "通知网址未能送达" + (result.status != 0 ? NumberInBrackets("HTTP ", result.status)
                                                        : NumberInBrackets("错误", result.error)));
    }

    bool Take(QueuedEvent& item) {
        while (true) {
            {
                std::lock_guard<std::mutex> lock(mutex);
                if (stopping) {
                    return false;
                }
                if (!queue.empty()) {
                    item = std::move(queue.front());
                    queue.pop_front();
                    return true;
                }
            }
            const HANDLE waits[] = {wake.get(), stop.get()};
            WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        }
    }

    void Work() {
        QueuedEvent item;
        while (Take(item)) {
            if (!settings.command.empty()) {
                RunHookFor(item);
            }
            if (!settings.url.empty() && !Stopping()) {
                PostFor(item);
            }
        }
        SetEvent(finished.get());
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
    if (!shared->wake || !shared->stop || !shared->finished) {
        RecordFailure("CreateEventA (notifier)", GetLastError());
        return;
    }
    try {
        std::thread([shared] { shared->Work(); }).detach();
    } catch (...) {
        RecordFailure("Notifier thread", "the system refused a thread");
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
    WaitForSingleObject(shared_->finished.get(), kStopWaitMs);
}

void Notifier::OnLineEvent(const LineEvent& event) {
    if (!shared_) {
        return;
    }
    QueuedEvent item{event, NowText()};
    bool dropped = false;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        if (shared_->queue.size() >= kQueueLimit) {
            shared_->queue.pop_front();
            dropped = true;
        }
        shared_->queue.push_back(std::move(item));
    }
    if (dropped) {
        RecordFailure("Notification queue (full, oldest event dropped; limit)", kQueueLimit);
    }
    SetEvent(shared_->wake.get());
}

}  // namespace qv
