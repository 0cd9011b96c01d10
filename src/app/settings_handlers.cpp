#include "app/assistant.h"
#include "app/settings.h"
#include "base/number_text.h"

namespace qv {

void Assistant::SaveSettings() {
    Profile& profile = s_.profile;
    WriteSetting(profile, kKeyConnectionIndex,
                 IntToText(s_.units.ReadInt(Unit::组合框_宽带连接, prop::kSelection)));
    WriteSetting(profile, kKeyAccount, s_.units.ReadText(Unit::编辑框_宽带账号, prop::kContent));
    WriteSetting(profile, kKeyPassword, s_.units.ReadText(Unit::编辑框_宽带密码, prop::kContent));
}

void Assistant::RestoreSettings() {
    const StoredSettings stored = ReadStoredSettings(s_.profile);
    if (stored.connectionIndex.empty() || stored.account.empty() || stored.password.empty()) {
        s_.units.WriteInt(Unit::组合框_宽带连接, prop::kSelection, 0);
        return;
    }
    s_.units.WriteInt(Unit::组合框_宽带连接, prop::kSelection, TextToInt(stored.connectionIndex));
    s_.units.WriteText(Unit::编辑框_宽带账号, prop::kContent, stored.account);
    s_.units.WriteText(Unit::编辑框_宽带密码, prop::kContent, stored.password);
}

}  // namespace qv
