#pragma once
// Writes the log's lines on a thread of its own, in the order given, so that a slow or
// unwritable disk never holds back a command.
#include <functional>
#include <memory>
#include <string>

#include "notify/event_log.h"

namespace qv {

class LogWriter {
  public:
    // `failed` is called on the writer's thread when writing starts to fail, not again until
    // a line has been written since; it must not block.
    LogWriter(LogFiles& files, const LogSettings& settings, std::function<void()> failed);
    // Writes what was handed in, then ends the thread.
    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    // From any thread; never waits for the disk. Beyond a few thousand lines waiting the newest
    // are dropped: a disk that hangs must not take the program's memory with it.
    void Write(std::string line);

  private:
    // Out of the header: <condition_variable> does not compile as GBK.
    struct Worker;
    std::unique_ptr<Worker> worker_;
};

}  // namespace qv
