#pragma once
// The assistant's handlers: everything the form's event bindings run. The handlers read
// and write the window only through Services, so the same code runs in the program and
// against recording fakes in the tests.
#include <cstdint>
#include <optional>

#include "app/app_state.h"
#include "app/form_vocabulary.h"
#include "app/ports.h"
#include "base/text.h"

namespace qv {

enum class NetworkEnvironment : int { RouterOrWireless = 0, DialUpOnline = 1, Offline = 2 };

inline constexpr const char* kBalloonTitle = "提示";
inline constexpr int kBalloonMilliseconds = 2000;

// What differs when a script, not a person, runs a command: a refusal comes back as text
// (a box would wait for a click nobody makes), and the script may decide the repeat on an
// unchanged IP itself instead of 选择框_IP重复.
struct ScriptedRun {
    Text refusal;
    std::optional<bool> redialOnRepeat;
};

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

    // Commands.
    void DialCommand();
    void HangUpCommand();
    void RedialCommand();
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

    // Set while a scripted command runs; nullptr (a person's command) otherwise.
    ScriptedRun* SetScriptedRun(ScriptedRun* run) {
        ScriptedRun* before = scripted_;
        scripted_ = run;
        return before;
    }

  private:
    void Balloon(const Text& text, IconKind kind);
    Text EntryArgument();
    void SetStatus(int part, const Text& text);
    void DialChosenEntry();
    void Refuse(const Text& text);
    bool RedialsOnRepeat();

    AppState& state_;
    Services& s_;
    Text ipEchoPageUrl_ = QV_IP_ECHO_URL;
    ScriptedRun* scripted_ = nullptr;
};

}  // namespace qv
