#include "notify/log_follower_win.h"

#include "app/assistant.h"
#include "base/system_handles_win.h"
#include "base/system_text_win.h"

namespace qv {

std::uint64_t WinLogFiles::Size(const Text& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

bool WinLogFiles::Append(const Text& path, const std::string& bytes) {
    const HANDLE opened = CreateFileA(path.c_str(), FILE_APPEND_DATA,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        return false;
    }
    const KernelObject file(opened);
    DWORD written = 0;
    const bool whole =
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    // On the disk before the next line: a node's power may go at any moment.
    return whole && FlushFileBuffers(file.get());
}

bool WinLogFiles::Move(const Text& from, const Text& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return true;
    }
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

void LogFollower::Start(LineListenerList& listeners) {
    const LogSettings settings = ReadLogSettings(s_.profile);
    if (settings.path.empty()) {
        return;
    }
    path_ = settings.path;
    writer_ = std::make_unique<LogWriter>(files_, settings,
                                          [this] { inbox_.Post([this] { ShowFailure(); }); });
    writer_->Write(ProgramLogLine(LocalTimeText(), "start"));
    listeners.Add(*this);
}

void LogFollower::Stop() {
    if (writer_) {
        writer_->Write(ProgramLogLine(LocalTimeText(), "stop"));
        writer_.reset();
    }
}

void LogFollower::OnLineEvent(const LineEvent& event) {
    if (writer_) {
        writer_->Write(LineEventLogLine(LocalTimeText(), event, GbkToUtf8Text));
    }
}

void LogFollower::OnCommand(const CommandRecord& record) {
    if (writer_) {
        writer_->Write(CommandLogLine(LocalTimeText(), record, GbkToUtf8Text));
    }
}

void LogFollower::ShowFailure() {
    s_.tray.BalloonTip(kBalloonTitle, "日志文件无法写入：" + path_, IconKind::Warning,
                       kBalloonMilliseconds, true);
}

}  // namespace qv
