#include "app/settings.h"

#include "base/number_text.h"

namespace qv {
namespace {

Text SkipLeadingControl(const Text& text) {
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= 0x20) {
        ++i;
    }
    return text.substr(i);
}

// The last backslash character: in code page 936 many two-byte characters (淺 is 0x9C 0x5C)
// have the backslash byte as their second byte, so the path is walked character by character.
std::size_t LastSeparator(const Text& path) {
    const char* const end = path.data() + path.size();
    std::size_t last = Text::npos;
    for (std::size_t i = 0; i < path.size(); i += IsLeadByte(path.data() + i, end) ? 2 : 1) {
        if (path[i] == '\\') {
            last = i;
        }
    }
    return last;
}

}  // namespace

Text RunDirectory(Profile& profile) {
    const Text path = profile.ProgramPath();
    const std::size_t slash = LastSeparator(path);
    return slash == Text::npos ? Text() : path.substr(0, slash);
}

// "D:" alone is drive D's remembered directory; its root is "D:\".
Text StartDirectory(Profile& profile) {
    const Text directory = RunDirectory(profile);
    const bool driveOnly = directory.size() == 2 && directory[1] == ':';
    return driveOnly ? directory + "\\" : directory;
}

Text SettingsPath(Profile& profile) {
    return RunDirectory(profile) + "\\Config.ini";
}

Text ReadSetting(Profile& profile, const Text& key, const Text& section) {
    const Text path = SkipLeadingControl(SettingsPath(profile));
    const Text sectionName = SkipLeadingControl(section);
    const Text keyName = SkipLeadingControl(key);
    if (path.empty() || sectionName.empty() || keyName.empty()) {
        return Text();
    }
    return profile.ReadProfileString(sectionName, keyName, path);
}

int ReadBoundedSetting(Profile& profile, const Text& key, const Text& section, int low, int high,
                       int fallback) {
    const auto value = BoundedDecimal(ReadSetting(profile, key, section), low, high);
    return value ? static_cast<int>(*value) : fallback;
}

bool WriteSetting(Profile& profile, const Text& key, const Text& value) {
    return profile.WriteProfileString(kSettingsSection, key, value, SettingsPath(profile));
}

StoredSettings ReadStoredSettings(Profile& profile) {
    return {ReadSetting(profile, kKeyConnectionIndex), ReadSetting(profile, kKeyAccount),
            ReadSetting(profile, kKeyPassword)};
}

}  // namespace qv
