#include "app/settings.h"

namespace qv {
namespace {

Text SkipLeadingControl(const Text& text) {
    std::size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= 0x20) {
        ++i;
    }
    return text.substr(i);
}

}  // namespace

Text RunDirectory(Profile& profile) {
    const Text path = profile.ProgramPath();
    const std::size_t slash = path.rfind('\\');
    return slash == Text::npos ? Text() : path.substr(0, slash);
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

bool WriteSetting(Profile& profile, const Text& key, const Text& value) {
    return profile.WriteProfileString(kSettingsSection, key, value, SettingsPath(profile));
}

StoredSettings ReadStoredSettings(Profile& profile) {
    return {ReadSetting(profile, kKeyConnectionIndex), ReadSetting(profile, kKeyAccount),
            ReadSetting(profile, kKeyPassword)};
}

}  // namespace qv
