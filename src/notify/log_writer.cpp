#include "notify/log_writer.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace qv {
namespace {

constexpr std::size_t kMostWaitingLines = 4096;

}  // namespace

struct LogWriter::Worker {
    Worker(LogFiles& files, const LogSettings& settings, std::function<void()> onFailure)
        : rotation(files, settings), failed(std::move(onFailure)), thread([this] { Run(); }) {}

    void Run() {
        bool failing = false;
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return stopping || !lines.empty(); });
            if (lines.empty()) {
                return;  // stopping, everything written
            }
            std::string line = std::move(lines.front());
            lines.pop_front();
            lock.unlock();
            const bool written = rotation.Write(std::move(line));
            if (!written && !failing && failed) {
                failed();
            }
            failing = !written;
            lock.lock();
        }
    }

    LogRotation rotation;
    std::function<void()> failed;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::string> lines;
    bool stopping = false;
    std::thread thread;  // last: it starts once the rest is built
};

LogWriter::LogWriter(LogFiles& files, const LogSettings& settings, std::function<void()> failed)
    : worker_(std::make_unique<Worker>(files, settings, std::move(failed))) {}

LogWriter::~LogWriter() {
    {
        std::lock_guard<std::mutex> lock(worker_->mutex);
        worker_->stopping = true;
    }
    worker_->wake.notify_one();
    worker_->thread.join();
}

void LogWriter::Write(std::string line) {
    {
        std::lock_guard<std::mutex> lock(worker_->mutex);
        if (worker_->lines.size() >= kMostWaitingLines) {
            return;
        }
        worker_->lines.push_back(std::move(line));
    }
    worker_->wake.notify_one();
}

}  // namespace qv
