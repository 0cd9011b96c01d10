#include "system/profile_win.h"

#include <vector>

namespace qv {

Text WinProfile::ProgramPath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return Text();
        }
        if (length < buffer.size()) {
            return Text(buffer.data(), length);
        }
        buffer.resize(buffer.size() * 2);  // the path was cut: ask again with more room
    }
}

Text WinProfile::ReadProfileString(const Text& section, const Text& key, const Text& path) {
    std::vector<char> buffer(10240, '\0');
    const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), nullptr,
                                                  buffer.data(), 10240, path.c_str());
    return Text(buffer.data(), length);
}

bool WinProfile::WriteProfileString(const Text& section, const Text& key, const Text& value,
                                    const Text& path) {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) !=
           FALSE;
}

}  // namespace qv
