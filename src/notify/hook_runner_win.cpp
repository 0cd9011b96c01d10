#include "notify/hook_runner_win.h"

#include <string>

#include "base/failure_record_win.h"
#include "base/system_handles_win.h"
#include "notify/hook_launch.h"

namespace qv {
namespace {

constexpr DWORD kKillWaitMs = 5000;

Text ComSpec() {
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("ComSpec", path, sizeof path);
    if (length > 0 && length < sizeof path) {
        return Text(path, length);
    }
    length = GetSystemDirectoryA(path, sizeof path);
    return length > 0 && length < sizeof path ? Text(path, length) + "\\cmd.exe" : "cmd.exe";
}

std::vector<std::string> InheritedEnvironment() {
    std::vector<std::string> entries;
    char* block = GetEnvironmentStringsA();
    if (block == nullptr) {
        return entries;
    }
    for (const char* entry = block; *entry != '\0'; entry += entries.back().size() + 1) {
        entries.emplace_back(entry);
    }
    FreeEnvironmentStringsA(block);
    return entries;
}

// Only the NUL handle is inherited: the program's sockets and pipes are inheritable by
// default and would otherwise stay open in a hook that outlives it.
class InheritOnly {
  public:
    explicit InheritOnly(HANDLE handle) : handle_(handle) {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        storage_.resize(size);
        list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
        if (size == 0 || !InitializeProcThreadAttributeList(list_, 1, 0, &size)) {
            list_ = nullptr;
            return;
        }
        if (!UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &handle_,
                                       sizeof handle_, nullptr, nullptr)) {
            DeleteProcThreadAttributeList(list_);
            list_ = nullptr;
        }
    }
    ~InheritOnly() {
        if (list_ != nullptr) {
            DeleteProcThreadAttributeList(list_);
        }
    }
    InheritOnly(const InheritOnly&) = delete;
    InheritOnly& operator=(const InheritOnly&) = delete;
    LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

  private:
    HANDLE handle_;
    std::vector<char> storage_;
    LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
};

HookResult CouldNotStart(const char* call) {
    const DWORD error = GetLastError();
    RecordFailure(call, error);
    return {HookResult::Outcome::CouldNotStart, error};
}

}  // namespace

HookResult RunHook(const Text& command, const std::vector<NameValue>& variables, DWORD limitMs,
                   HANDLE stop) {
    const HookLaunch launch = HookCommandLine(command, ComSpec());
    std::string environment = EnvironmentBlock(InheritedEnvironment(), variables);
    std::string commandLine = launch.commandLine;  // CreateProcessA may write into it

    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    const HANDLE nulFile =
        CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    &inheritable, OPEN_EXISTING, 0, nullptr);
    if (nulFile == INVALID_HANDLE_VALUE) {
        return CouldNotStart("CreateFileA NUL (notification command)");
    }
    const KernelObject nul(nulFile);
    const InheritOnly inheritList(nul.get());

    STARTUPINFOEXA startup = {};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    startup.StartupInfo.hStdInput = nul.get();
    startup.StartupInfo.hStdOutput = nul.get();
    startup.StartupInfo.hStdError = nul.get();
    startup.lpAttributeList = inheritList.get();
    // Suspended until it is in its job, so that nothing it starts escapes the time limit.
    DWORD flags = CREATE_NO_WINDOW | CREATE_SUSPENDED;
    if (inheritList.get() != nullptr) {
        flags |= EXTENDED_STARTUPINFO_PRESENT;
    } else {
        startup.StartupInfo.cb = sizeof startup.StartupInfo;
    }
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(launch.application.empty() ? nullptr : launch.application.c_str(),
                        commandLine.data(), nullptr, nullptr, TRUE, flags, environment.data(),
                        nullptr, &startup.StartupInfo, &process)) {
        return CouldNotStart("CreateProcessA (notification command)");
    }
    if (!NamesItsProcess(process)) {
        return {HookResult::Outcome::Unwatched, 0};
    }
    const KernelObject processHandle(process.hProcess);
    const KernelObject thread(process.hThread);

    // Without the kill-on-close limit, closing the job leaves the command running: a hook
    // still running when the program ends is not killed.
    KernelObject job(CreateJobObjectA(nullptr, nullptr));
    if (job && !AssignProcessToJobObject(job.get(), processHandle.get())) {
        // Windows 7 refuses a second job for a process already in one.
        RecordFailure("AssignProcessToJobObject (notification command)", GetLastError());
        job.reset();
    }
    ResumeThread(thread.get());

    const HANDLE waits[] = {processHandle.get(), stop};
    switch (WaitForMultipleObjects(2, waits, FALSE, limitMs)) {
        case WAIT_OBJECT_0: {
            DWORD exitCode = 0;
            GetExitCodeProcess(processHandle.get(), &exitCode);
            return {HookResult::Outcome::Finished, exitCode};
        }
        case WAIT_OBJECT_0 + 1:
            return {HookResult::Outcome::Abandoned, 0};
        default:
            break;
    }
    if (!(job && TerminateJobObject(job.get(), 1))) {
        TerminateProcess(processHandle.get(), 1);
    }
    WaitForSingleObject(processHandle.get(), kKillWaitMs);
    return {HookResult::Outcome::Killed, limitMs};
}

}  // namespace qv
