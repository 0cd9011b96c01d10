#pragma once
// The log as it follows the line in the program: started when 日志 names a file, one line per
// command and line event handed to its writer, a balloon when it cannot be written.
#include <memory>

#include "app/line_listener_list.h"
#include "app/ports.h"
#include "base/inbox.h"
#include "notify/event_log.h"
#include "notify/log_writer.h"

namespace qv {

// The log's files through the system: appended and flushed line by line, shared with readers
// (a person's tail, an editor) and with a rename.
class WinLogFiles final : public LogFiles {
  public:
    std::uint64_t Size(const Text& path) override;
    bool Append(const Text& path, const std::string& bytes) override;
    bool Move(const Text& from, const Text& to) override;
};

class LogFollower final : public LineListeners {
  public:
    LogFollower(Services& services, Inbox& inbox) : s_(services), inbox_(inbox) {}
    LogFollower(const LogFollower&) = delete;
    LogFollower& operator=(const LogFollower&) = delete;
    ~LogFollower() override { Stop(); }

    // At start-up, before anyone else follows the line.
    void Start(LineListenerList& listeners);
    // At the program's end: writes what is left and the stop.
    void Stop();
    bool On() const { return writer_ != nullptr; }

    void BeforeHangUp() override {}
    void OnLineEvent(const LineEvent& event) override;
    void OnCommand(const CommandRecord& record) override;

  private:
    void ShowFailure();

    Services& s_;
    Inbox& inbox_;
    Text path_;
    WinLogFiles files_;
    std::unique_ptr<LogWriter> writer_;
};

}  // namespace qv
