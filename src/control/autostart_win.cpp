#include "control/autostart_win.h"

#include <windows.h>

#include <vector>

#include "base/system_handles_win.h"
#include "control/text_codec_win.h"

namespace qv {
namespace {

constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kValueName[] = "Quorvane";

std::string ExePath() {
    std::vector<char> path(32768);
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return std::string(path.data(), length < path.size() ? length : 0);
}

// The value's text, or nothing when there is none.
std::string RunValue() {
    std::vector<char> value(32768 + 2);
    DWORD size = static_cast<DWORD>(value.size());
    if (RegGetValueA(HKEY_CURRENT_USER, kRunKey, kValueName, RRF_RT_REG_SZ, nullptr, value.data(),
                     &size) != ERROR_SUCCESS) {
        return {};
    }
    return value.data();
}

LSTATUS Change(AutostartAction action, const std::string& command) {
    HKEY opened = nullptr;
    const LSTATUS open = action == AutostartAction::On
                             ? RegCreateKeyExA(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0,
                                               KEY_SET_VALUE, nullptr, &opened, nullptr)
                             : RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &opened);
    if (open != ERROR_SUCCESS) {
        return action == AutostartAction::Off && open == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS
                                                                              : open;
    }
    const RegistryKey key(opened);
    if (action == AutostartAction::On) {
        return RegSetValueExA(key.get(), kValueName, 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(command.c_str()),
                              static_cast<DWORD>(command.size() + 1));
    }
    const LSTATUS removed = RegDeleteValueA(key.get(), kValueName);
    return removed == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : removed;
}

}  // namespace

AutostartAnswer RunAutostart(AutostartAction action) {
    const std::string path = ExePath();
    const std::string pathUtf8 = WinTextCodec().GbkToUtf8(path);
    if (path.empty()) {
        return {AutostartJson(false, "", "this program's path is unknown"), 1};
    }
    // Quoted: a path with spaces must not start another program.
    const std::string command = "\"" + path + "\"";
    if (action != AutostartAction::Status) {
        if (const LSTATUS failed = Change(action, command); failed != ERROR_SUCCESS) {
            return {AutostartJson(false, pathUtf8,
                                  "the Run value could not be changed (error " +
                                      std::to_string(failed) + ")"),
                    1};
        }
    }
    // Another copy's value is not this one's: status says false, on replaces it.
    return {AutostartJson(lstrcmpiA(RunValue().c_str(), command.c_str()) == 0, pathUtf8), 0};
}

}  // namespace qv
