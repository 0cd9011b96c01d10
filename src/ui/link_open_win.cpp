#include "ui/link_open_win.h"

#include <shellapi.h>

#include <cstring>
#include <optional>

#include "base/system_handles_win.h"
#include "ui/open_command.h"

namespace qv {
namespace {

// The default value of a key under the classes root; nullopt when missing, empty or no text.
std::optional<Text> ReadClassesRootDefault(const Text& subkey) {
    HKEY raw = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subkey.c_str(), 0, KEY_QUERY_VALUE, &raw) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    const RegistryKey key(raw);
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    Text value(size + 1, '\0');
    DWORD got = size;
    if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                         &got) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    value.resize(strnlen(value.c_str(), got));  // the stored zero may be missing or early
    if (type == REG_EXPAND_SZ) {
        // Commands such as "%ProgramFiles%\..." only start once expanded.
        const DWORD needed = ExpandEnvironmentStringsA(value.c_str(), nullptr, 0);
        Text expanded(needed, '\0');
        if (needed == 0 || ExpandEnvironmentStringsA(value.c_str(), expanded.data(), needed) == 0) {
            return std::nullopt;
        }
        expanded.resize(std::strlen(expanded.c_str()));
        value = std::move(expanded);
    }
    if (value.empty()) {
        return std::nullopt;
    }
    return value;
}

INT_PTR ShellOpen(HWND owner, const Text& target) {
    if (auto hook = TheLinkOpenHooks().shellOpen) {
        return hook(owner, target.c_str());
    }
    return reinterpret_cast<INT_PTR>(
        ShellExecuteA(owner, "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

// CreateProcessA rather than WinExec: WinExec waits until the new program reads its first
// message (or a time-out), and the click must never wait for the browser.
bool StartCommand(const Text& commandLine) {
    if (auto hook = TheLinkOpenHooks().startCommand) {
        return hook(commandLine.c_str());
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    Text writable = commandLine;  // CreateProcessA may write into its command line
    if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    KernelObject thread(process.hThread);
    KernelObject started(process.hProcess);
    return true;
}

}  // namespace

LinkOpenHooks& TheLinkOpenHooks() {
    static LinkOpenHooks hooks;
    return hooks;
}

bool OpenLinkTarget(HWND owner, const Text& target) {
    if (ShellOpen(owner, target) > 32) {
        return true;
    }
    const std::optional<Text> htmlClass = ReadClassesRootDefault(".htm");
    if (!htmlClass) {
        return false;
    }
    const std::optional<Text> command =
        ReadClassesRootDefault(*htmlClass + "\\shell\\open\\command");
    return command && StartCommand(FallbackCommandLine(*command, target));
}

}  // namespace qv
