#include "app/assistant.h"
#include "app/settings.h"

namespace qv {

// Start-up: for now only the settings are restored; the tray, the network check, the
// connection list and the status texts come with the commands.
void Assistant::InitMainWindow() {
    const Text echoUrl = ReadSetting(s_.profile, kKeyIpEchoUrl, kAdvancedSection);
    if (!echoUrl.empty()) {
        SetIpEchoPageUrl(echoUrl);
    }
    RestoreSettings();
}

NetworkEnvironment Assistant::CheckNetworkEnvironment() { return NetworkEnvironment::Offline; }

}  // namespace qv
