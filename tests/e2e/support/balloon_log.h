#pragma once
// The balloons the program showed, read as a debug-output viewer reads them: the tray writes
// "Quorvane: balloon: <title>: <text>" for each balloon the shell accepted, so a balloon that
// was never handed to the shell is never counted.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qv::e2e {

class BalloonLog {
  public:
    BalloonLog();
    ~BalloonLog();
    BalloonLog(const BalloonLog&) = delete;
    BalloonLog& operator=(const BalloonLog&) = delete;

    // The balloons so far whose "<title>: <text>" holds `part`.
    int Count(const std::string& part) const;

  private:
    HANDLE mutex_, bufferReady_, dataReady_, mapping_;
    const char* view_ = nullptr;
    std::atomic<bool> stop_{false};
    mutable std::mutex lock_;
    std::vector<std::string> balloons_;
    std::thread reader_;
};

}  // namespace qv::e2e
