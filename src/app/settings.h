#pragma once
// Config.ini beside the program: the chosen connection, the account and the password.
#include "app/ports.h"
#include "base/text.h"

namespace qv {

inline constexpr const char* kSettingsSection = "宽带信息";
inline constexpr const char* kKeyConnectionIndex = "连接索引";
inline constexpr const char* kKeyAccount = "ADSL账号";
inline constexpr const char* kKeyPassword = "ADSL密码";
// Optional, never written: a replacement for the built-in IP echo page address.
inline constexpr const char* kAdvancedSection = "高级设置";
inline constexpr const char* kKeyIpEchoUrl = "IP查询地址";

// The program file's directory, without a trailing separator.
Text RunDirectory(Profile& profile);
// The directory made current at start: RunDirectory, with a drive root kept as a root.
Text StartDirectory(Profile& profile);
// RunDirectory + "\Config.ini", computed afresh on every call.
Text SettingsPath(Profile& profile);

// Empty when the value, key, section or file is missing, or when the path, section or key
// is empty once leading bytes <= 0x20 are skipped.
Text ReadSetting(Profile& profile, const Text& key, const Text& section = kSettingsSection);
bool WriteSetting(Profile& profile, const Text& key, const Text& value);
// A decimal setting within [low, high]; `fallback` when it is out of range or no number.
int ReadBoundedSetting(Profile& profile, const Text& key, const Text& section, int low, int high,
                       int fallback);

struct StoredSettings {
    Text connectionIndex;
    Text account;
    Text password;
};
StoredSettings ReadStoredSettings(Profile& profile);

}  // namespace qv
