#include "app/assistant.h"
#include "app/settings.h"

namespace qv {
namespace {

constexpr int kWarningStyle = 48;                  // OK button, exclamation icon
constexpr std::uint32_t kRightButtonDown = 0x204;  // WM_RBUTTONDOWN

}  // namespace

// Runs once from the window's created event, before the message loop starts.
void Assistant::InitMainWindow() {
    // The echo page override must be in place before the first lookup below.
    const Text echoUrl = ReadSetting(s_.profile, kKeyIpEchoUrl, kAdvancedSection);
    if (!echoUrl.empty()) {
        SetIpEchoPageUrl(echoUrl);
    }
    SetKeepLine(ReadKeepLineSettings(s_.profile));
    SetFleet(ReadFleetSettings(s_.profile));

    const std::uintptr_t window = s_.units.WindowHandle(Unit::窗口);
    const Text tip = kTrayTipText;
    // Without the icon resource the tray falls back to the window's small icon.
    const Bytes* icon = s_.programIconFile.empty() ? nullptr : &s_.programIconFile;
    s_.tray.TraySetup(window, icon, &tip,
                      [this](std::uint32_t mouseMessage) { TrayMouseHandler(mouseMessage); });

    if (CheckNetworkEnvironment() == NetworkEnvironment::RouterOrWireless) {
        const Text title = kBalloonTitle;
        s_.units.MessageBox("请注意：当前网络环境为路由器上网或无线wifi网络，不支持ADSL拔号！",
                            kWarningStyle, &title);
    }

    FillEntryList();
    RestoreSettings();

    const bool connected = s_.dialup.IsConnected();
    SetStatus(0, connected ? "当前状态：网络已连接" : "当前状态：网络未连接");
    startUpAddress_ = PublicIpLookup();
    lineAddress_ = connected ? startUpAddress_ : Text();
    SetStatus(1, "当前IP：" + startUpAddress_);  // shown, not kept as the current IP
    SetStatus(2, "之前IP：无信息");
    s_.units.WriteInt(Unit::组合框_热键, prop::kDisabled, 1);
}

void Assistant::FillEntryList() {
    entryNames_.clear();
    const int entryCount = s_.dialup.EntryCount();
    for (int i = 0; i < entryCount; ++i) {
        entryNames_.push_back(s_.dialup.EntryName(i));
        s_.units.AddItem(Unit::组合框_宽带连接, entryNames_.back());
    }
}

Text Assistant::ChosenEntryName() {
    const int chosen = s_.units.ReadInt(Unit::组合框_宽带连接, prop::kSelection);
    return chosen >= 0 && static_cast<std::size_t>(chosen) < entryNames_.size()
               ? entryNames_[static_cast<std::size_t>(chosen)]
               : Text();
}

// Only a right-button press opens the menu; a left click does not even restore the window.
void Assistant::TrayMouseHandler(std::uint32_t mouseMessage) {
    if (mouseMessage == kRightButtonDown) {
        s_.units.PopupMenu(Unit::窗口, Unit::托盘菜单);
    }
}

NetworkEnvironment Assistant::CheckNetworkEnvironment() {
    const Text ip = PublicIpLookup();
    const bool dialUp = s_.dialup.IsConnected();
    if (ip.empty()) {
        return NetworkEnvironment::Offline;
    }
    return dialUp ? NetworkEnvironment::DialUpOnline : NetworkEnvironment::RouterOrWireless;
}

}  // namespace qv
