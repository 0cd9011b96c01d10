#include "e2e/support/balloon_log.h"

#include <cstring>

namespace qv::e2e {
namespace {

constexpr DWORD kBufferBytes = 4096;
constexpr const char* kBalloonLine = "Quorvane: balloon: ";

}  // namespace

BalloonLog::BalloonLog() {
    // The names and the layout (the writer's process id, then the text) every writer of
    // OutputDebugString uses.
    mutex_ = CreateMutexA(nullptr, FALSE, "DBWinMutex");
    bufferReady_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    dataReady_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferBytes,
                                  "DBWIN_BUFFER");
    view_ = static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, kBufferBytes));
    reader_ = std::thread([this] {
        while (!stop_) {
            SetEvent(bufferReady_);
            if (WaitForSingleObject(dataReady_, 100) != WAIT_OBJECT_0 || !view_) {
                continue;
            }
            const char* text = view_ + sizeof(DWORD);
            const std::string line(text, strnlen(text, kBufferBytes - sizeof(DWORD)));
            if (line.rfind(kBalloonLine, 0) == 0) {
                std::lock_guard lock(lock_);
                balloons_.push_back(line.substr(std::strlen(kBalloonLine)));
            }
        }
    });
}

BalloonLog::~BalloonLog() {
    stop_ = true;
    reader_.join();
    if (view_) {
        UnmapViewOfFile(view_);
    }
    for (HANDLE h : {mapping_, dataReady_, bufferReady_, mutex_}) {
        if (h) {
            CloseHandle(h);
        }
    }
}

int BalloonLog::Count(const std::string& part) const {
    std::lock_guard lock(lock_);
    int count = 0;
    for (const std::string& balloon : balloons_) {
        count += balloon.find(part) != std::string::npos;
    }
    return count;
}

}  // namespace qv::e2e
