#pragma once
// The few interfaces through which the assistant's logic reaches the window, the tray, the
// dial-up service, the web and the message pump. Win32 adapters implement them in the
// program; recording fakes implement them in the native tests.
#include <cstdint>
#include <functional>

#include "app/command_result.h"
#include "app/form_vocabulary.h"
#include "base/text.h"

namespace qv {

// Balloon icon kinds, passed straight into the tray record.
enum class IconKind : std::uint32_t { None = 0, Info = 1, Warning = 2, Error = 3 };

// The tray's mouse callback: called with the mouse message of a tray notification.
using TrayMouseCallback = std::function<void(std::uint32_t mouseMessage)>;

// The form's units as the logic sees them, plus the status bar, message box and popup.
class Units {
  public:
    virtual ~Units() = default;
    virtual Text ReadText(Unit unit, int property) = 0;
    virtual int ReadInt(Unit unit, int property) = 0;  // booleans read as 0 or 1
    virtual void WriteText(Unit unit, int property, const Text& value) = 0;
    virtual void WriteInt(Unit unit, int property, int value) = 0;
    virtual std::uintptr_t WindowHandle(Unit unit) = 0;
    virtual int AddItem(Unit comboBox, const Text& text) = 0;
    virtual void SetStatusText(Unit statusBar, int part, const Text& text) = 0;
    // Returns the result number of the button that closed the box (OK = 0).
    virtual int MessageBox(const Text& message, int style, const Text* title = nullptr) = 0;
    virtual void PopupMenu(Unit window, Unit menu) = 0;
};

class Tray {
  public:
    virtual ~Tray() = default;
    virtual int TraySetup(std::uintptr_t window, const Bytes* iconFile, const Text* tip,
                          TrayMouseCallback callback) = 0;
    virtual void BalloonTip(const Text& title, const Text& text, IconKind kind, int milliseconds,
                            bool autoHide) = 0;
    virtual void TrayRemove() = 0;
};

class Dialup {
  public:
    virtual ~Dialup() = default;
    virtual int EntryCount() = 0;
    virtual Text EntryName(int index) = 0;
    // The system's code for the dial: 0 when it went through.
    virtual std::uint32_t Dial(const Text& target, const Text& account, const Text& password,
                               bool wait) = 0;
    virtual bool IsConnected() = 0;
    virtual void HangUpAll() = 0;
};

class PageFetcher {
  public:
    virtual ~PageFetcher() = default;
    virtual Bytes HttpFetch(const Text& url) = 0;
};

// A page fetched through an HTTP proxy ("host:port"), from any thread: the pool checks its own
// proxy this way.
struct ProxiedPage {
    bool answered = false;  // a status line came back within the limit
    int status = 0;
    Bytes body;
};

class ProxiedFetcher {
  public:
    virtual ~ProxiedFetcher() = default;
    virtual ProxiedPage FetchThrough(const Text& proxy, const Text& url, std::uint32_t limitMs) = 0;
    // At the program's end: a fetch under way returns unanswered at once, and so does every
    // later one; the program never waits out a silent proxy.
    virtual void EndAll() = 0;
};

class EventPump {
  public:
    virtual ~EventPump() = default;
    // Dispatches queued window messages until the queue is empty or a quit message is next.
    virtual void ProcessPendingEvents() = 0;
    // Milliseconds, wrapping at 2^32 like the system tick count.
    virtual std::uint32_t TickCount() = 0;
    // Sleeps until a message arrives or the time is up, whichever comes first.
    virtual void WaitForEvents(std::uint32_t milliseconds) = 0;
};

// The system's profile (INI) functions and the program's own path.
class Profile {
  public:
    virtual ~Profile() = default;
    virtual Text ProgramPath() = 0;
    virtual Text ReadProfileString(const Text& section, const Text& key, const Text& path) = 0;
    virtual bool WriteProfileString(const Text& section, const Text& key, const Text& value,
                                    const Text& path) = 0;
};

class Hotkeys {
  public:
    virtual ~Hotkeys() = default;
    virtual int RegisterGlobalHotkey(std::uintptr_t window, std::uintptr_t label, int modifierCode,
                                     int virtualKey) = 0;
    virtual bool UnregisterGlobalHotkey(std::uintptr_t window, int id) = 0;
};

// What happened to the line, for the programs that follow it (the proxy pool, the
// notifications). Texts are the program's own (GBK); the account and password never appear.
enum class LineEventKind : std::uint8_t { Connected, Disconnected, Dropped, Failed };

struct LineEvent {
    LineEventKind kind = LineEventKind::Connected;
    Text ip;                     // Connected: the address the echo page gave, empty when unknown
    Text previousIp;             // the address before
    Text entry;                  // the phonebook entry's name
    std::uint32_t rasError = 0;  // Failed: the system's code
    bool newAddress = false;     // Connected: ip is an address and differs from previousIp
    // Connected: the command keeps this line; false for a redial's round that it redials away
    // from (a repeated address), and for the last round of a redial that ended failed.
    bool kept = true;
    // Who asked for the command that brought the event about (Drop: the line dropped).
    CommandSource source = CommandSource::Person;
};

// What a redial waits for besides its pauses: a free rotation slot, or the consumers of an
// address just withdrawn.
enum class WaitKind : std::uint8_t { None, Slot, Drain };

// Everyone who follows the line. Called on the window's thread; OnLineEvent never blocks,
// BeforeHangUp may wait about a second at most.
class LineListeners {
  public:
    virtual ~LineListeners() = default;
    virtual void BeforeHangUp() = 0;
    virtual void OnLineEvent(const LineEvent& event) = 0;
    // A failed automatic dial is tried again after `milliseconds`.
    virtual void OnRetryWait(std::uint32_t /*rasError*/, std::uint32_t /*milliseconds*/) {}
    // A command starts or ends such a wait (None).
    virtual void OnWaiting(WaitKind /*kind*/) {}
    // One dial ended after `milliseconds` with the system's code (0: the line is up).
    virtual void OnDial(std::uint32_t /*code*/, std::uint32_t /*milliseconds*/) {}
    // A command ended, however it ended (refused ones too).
    virtual void OnCommand(const CommandRecord& /*record*/) {}
};

// The nodes that share one Redis: which of them may redial now, and which addresses any of
// them had lately. Called on the window's thread; each call waits about a second at most.
class Fleet {
  public:
    enum class Slot : std::uint8_t { Taken, Full, NoAnswer };
    virtual ~Fleet() = default;
    virtual Slot TakeRotationSlot() = 0;
    // Never waits; a slot not taken is no harm.
    virtual void ReleaseRotationSlot() = 0;
    // False as well when nobody answered in time.
    virtual bool SeenLately(const Text& ip) = 0;
};

// Everything the assistant works through, wired up by the program's entry.
struct Services {
    Units& units;
    Tray& tray;
    Dialup& dialup;
    PageFetcher& web;
    EventPump& pump;
    Profile& profile;
    Hotkeys& hotkeys;
    Bytes programIconFile = {};
    LineListeners* listeners = nullptr;  // none: nobody follows the line
    Fleet* fleet = nullptr;              // none: this node rotates on its own
    ProxiedFetcher* proxied = nullptr;   // none: no check through a proxy can run
};

}  // namespace qv
