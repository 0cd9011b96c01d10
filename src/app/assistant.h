#pragma once
// The assistant's handlers: everything the form's event bindings run. The handlers read
// and write the window only through Services, so the same code runs in the program and
// against recording fakes in the tests.
#include <cstdint>

#include "app/app_state.h"
#include "app/command_result.h"
#include "app/form_vocabulary.h"
#include "app/ports.h"
#include "base/text.h"

namespace qv {

enum class NetworkEnvironment : int { RouterOrWireless = 0, DialUpOnline = 1, Offline = 2 };

inline constexpr const char* kBalloonTitle = "提示";
inline constexpr int kBalloonMilliseconds = 2000;

class Assistant {
  public:
    Assistant(AppState& state, Services& services) : state_(state), s_(services) {}

    // Runs the handler bound to a unit event; the result is the event's message result.
    std::intptr_t Raise(Handler handler, std::intptr_t a, std::intptr_t b);

    // Start-up and settings.
    void InitMainWindow();
    // The tray's mouse callback: a right-button press opens the tray menu.
    void TrayMouseHandler(std::uint32_t mouseMessage);
    NetworkEnvironment CheckNetworkEnvironment();
    void RestoreSettings();
    void SaveSettings();

    // Commands. Each reports what it did; a refusal is the caller's to show.
    CommandResult DialCommand(const DialOptions& options = {});
    CommandResult HangUpCommand();
    CommandResult RedialCommand(const RedialOptions& options = {});
    void DelayWithEvents(int milliseconds);

    // Timed and hotkey redial.
    void ToggleTimedRedial();
    void TimedRedialTick();
    void ToggleHotkey();
    void ApplyHotkeyChoice();
    void HotkeyFeedback(std::int32_t hotkeyId, std::int32_t unused);

    // The public IP between the first "[" and the next "]" of the echo page.
    Text PublicIpLookup();
    const Text& IpEchoPageUrl() const { return ipEchoPageUrl_; }
    void SetIpEchoPageUrl(const Text& url) { ipEchoPageUrl_ = url; }

  private:
    void Balloon(const Text& text, IconKind kind);
    Text EntryArgument();
    void SetStatus(int part, const Text& text);
    std::uint32_t DialChosenEntry(CommandResult& result);
    // A person's command: a refusal shows its box.
    void ShowRefusal(const CommandResult& result);

    AppState& state_;
    Services& s_;
    Text ipEchoPageUrl_ = QV_IP_ECHO_URL;
};

}  // namespace qv
