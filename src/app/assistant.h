#pragma once
// The assistant's handlers: everything the form's event bindings run. The handlers read
// and write the window only through Services, so the same code runs in the program and
// against recording fakes in the tests.
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "app/app_state.h"
#include "app/command_result.h"
#include "app/fleet_settings.h"
#include "app/form_vocabulary.h"
#include "app/keep_line.h"
#include "app/ports.h"
#include "app/unattended.h"
#include "base/text.h"

namespace qv {

enum class NetworkEnvironment : int { RouterOrWireless = 0, DialUpOnline = 1, Offline = 2 };

inline constexpr const char* kBalloonTitle = "提示";
inline constexpr int kBalloonMilliseconds = 2000;

// What an echo page shows between its first "[" and the next "]", spaces trimmed: an address
// when the page answers.
Text EchoPageAnswer(const Bytes& page);

class Assistant {
  public:
    Assistant(AppState& state, Services& services) : state_(state), s_(services) {}

    // Runs the handler bound to a unit event; the result is the event's message result.
    std::intptr_t Raise(Handler handler, std::intptr_t a, std::intptr_t b);

    // Start-up and settings.
    void InitMainWindow();
    // Lists the phonebook into the connection box; the names are kept for the line's events,
    // so that a dial or hang-up never lists the phonebook again.
    void FillEntryList();
    // The chosen connection's name as the box shows it; empty when none is chosen.
    Text ChosenEntryName();
    // The tray's mouse callback: a right-button press opens the tray menu.
    void TrayMouseHandler(std::uint32_t mouseMessage);
    NetworkEnvironment CheckNetworkEnvironment();
    void RestoreSettings();
    void SaveSettings();

    // Commands. Each reports what it did; a refusal is the caller's to show. Those who follow
    // the line are told of each as it ends.
    CommandResult DialCommand(const DialOptions& options = {});
    CommandResult HangUpCommand(const HangUpOptions& options = {});
    CommandResult RedialCommand(const RedialOptions& options = {});
    void DelayWithEvents(int milliseconds);

    // Timed and hotkey redial.
    void ToggleTimedRedial();
    void TimedRedialTick();
    // Whether the timed redial runs (按钮_定时 reads 停止定时).
    bool TimingOn();
    // What 无人值守 asks of a start: a dial when no line is up, the timer.
    void StartUnattended(const UnattendedSettings& settings);
    void ToggleHotkey();
    void ApplyHotkeyChoice();
    void HotkeyFeedback(std::int32_t hotkeyId, std::int32_t unused);

    // The public IP between the first "[" and the next "]" of the first echo page that shows
    // an address there; empty when none does.
    Text PublicIpLookup();
    // The echo page, or several separated by "|", asked in turn; a list of none keeps the one
    // there is.
    void SetIpEchoPageUrl(const Text& url) {
        if (std::vector<Text> pages = EchoPageList(url); !pages.empty()) {
            echoPages_ = std::move(pages);
        }
    }

    const std::vector<Text>& EchoPages() const { return echoPages_; }

    // Keeping the line up (Config.ini's 线路保持), read at start-up.
    void SetKeepLine(const KeepLineSettings& settings) { keepLine_ = settings; }
    const KeepLineSettings& KeepLine() const { return keepLine_; }
    // How a fleet's node redials (section 代理池), read at start-up.
    void SetFleet(const FleetSettings& settings) { fleet_ = settings; }
    // Where the timer's jitter comes from: uniform in [0, 2^32); the tests hand in their own.
    void SetRandomSource(std::function<std::uint32_t()> draw) { draw_ = std::move(draw); }
    // The line watch saw the line go down: a drop unless the program hung up itself.
    void LineDown();
    // What the start-up's lookup showed in the status bar (not the current IP, which the
    // start-up never sets): those who follow the line take a line that is up from here.
    const Text& StartUpAddress() const { return startUpAddress_; }
    // The address of the line that is up, as last looked up (after a dial, or at start-up);
    // empty once the line is hung up, dropped or failed.
    const Text& LineAddress() const { return lineAddress_; }

    // How keeping the line goes, for a script's status.
    struct KeepLineStatus {
        std::uint32_t lastError = 0;  // the last failed dial's code, 0 after a good dial
        int tries = 0;                // dials, retries included, of the command that dialled last
    };
    const KeepLineStatus& LineStatus() const { return lineStatus_; }

  private:
    CommandResult Dial(const DialOptions& options);
    CommandResult HangUp();
    CommandResult Redial(const RedialOptions& options);
    // Runs a command under its source and tells of it when it ends.
    template <typename Command>
    CommandResult Recorded(CommandVerb verb, CommandSource source, Command command);
    void Balloon(const Text& text, IconKind kind);
    Text EntryArgument();
    void SetStatus(int part, const Text& text);
    // The dial's code, or nothing when the command gave way after a wait (result says why).
    std::optional<std::uint32_t> DialChosenEntry(CommandResult& result, bool automatic);
    std::optional<std::uint32_t> DialOnce(CommandResult& result);
    // False when the command waited for the gap and must give way (see MayStillDial).
    bool HoldMinimumGap(CommandResult& result);
    // After a wait: a command that dialled or hung up meanwhile, or a line that is up again,
    // has the last word. A dial now would replace that line without telling anyone.
    bool MayStillDial(int lineActionsBefore, CommandResult& result);
    // Waits, letting the window answer; false when another command started and ended it.
    bool WaitForRetry(std::uint32_t milliseconds, std::uint32_t code);
    Text LookUpNewAddress(CommandResult& result);
    // Withdraws, drains and hangs up; false when a command dialled or hung up during the drain,
    // which then has the last word.
    bool HangUpLine(CommandResult& result);
    // A fleet's node takes a rotation slot before it withdraws: an automatic redial waits for
    // one, a person's goes ahead. False when a command dialled or hung up during the wait.
    bool TakeRotationSlot(bool automatic, CommandResult& result);
    void Waiting(WaitKind kind);
    void ArmTimer();
    void Fail(CommandResult& result, const char* text, std::uint32_t code);
    void Tell(LineEventKind kind, const CommandResult& result, bool kept = true);
    // A person's command: a refusal shows its box.
    void ShowRefusal(const CommandResult& result);

    AppState& state_;
    Services& s_;
    std::vector<Text> echoPages_ = {QV_IP_ECHO_URL};
    KeepLineSettings keepLine_;
    FleetSettings fleet_;
    std::function<std::uint32_t()> draw_;
    int timedIntervalMs_ = 0;
    KeepLineStatus lineStatus_;
    int commandsStarted_ = 0;  // counts every command; a pending retry gives way to a new one
    int commandDepth_ = 0;
    int lineActions_ = 0;  // dials and hang-ups, whoever asked: a waiting command looks again
    bool hungUpByProgram_ = false;
    std::optional<std::uint32_t> lastDialTick_;
    bool lastLookupNotAnAddress_ = false;
    Text startUpAddress_;
    Text lineAddress_;
    std::vector<CommandSource> sources_;  // of the commands running, the innermost last
    std::vector<Text> entryNames_;        // the connection box's items, from the start-up's listing
};

}  // namespace qv
