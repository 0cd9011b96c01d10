#pragma once
// Recording fakes of the assistant's interfaces. Every call that the user could see (status
// texts, balloons, message boxes) or that touches the line (RAS) or the web is appended to
// one shared journal, so a test can assert the whole ordered sequence of effects.
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "app/assistant.h"
#include "app/line_listener_list.h"
#include "app/ports.h"

namespace qv::testing {

using Lines = std::vector<std::string>;
// The echo page the command and start-up tests point the assistant at, and its journal line.
inline constexpr const char* kEchoUrl = "http://127.0.0.1:8080/ic.asp";
inline const std::string kFetch = std::string("fetch ") + kEchoUrl;

struct Journal {
    std::vector<std::string> entries;
    void Add(std::string entry) { entries.push_back(std::move(entry)); }
    // The entries that start with `prefix` (or any of `prefixes`), in order.
    Lines Only(const std::string& prefix) const { return Only({prefix}); }
    Lines Only(std::initializer_list<std::string> prefixes) const {
        Lines found;
        for (const std::string& entry : entries) {
            for (const std::string& prefix : prefixes) {
                if (entry.rfind(prefix, 0) == 0) {
                    found.push_back(entry);
                    break;
                }
            }
        }
        return found;
    }
};

class FakeUnits : public Units {
  public:
    explicit FakeUnits(Journal& journal) : journal_(journal) {}

    std::map<std::pair<Unit, int>, Text> texts;
    std::map<std::pair<Unit, int>, int> ints;
    std::map<Unit, std::vector<Text>> items;
    std::vector<Text> statusParts = {"当前状态：", "当前IP：", "之前IP："};
    int messageBoxResult = 0;
    // Runs inside a message box or popup, as a modal loop would dispatch events.
    std::function<void()> duringModal;

    Text ReadText(Unit unit, int property) override { return texts[{unit, property}]; }
    int ReadInt(Unit unit, int property) override { return ints[{unit, property}]; }
    void WriteText(Unit unit, int property, const Text& value) override {
        texts[{unit, property}] = value;
        journal_.Add("write " + Name(unit) + "." + std::to_string(property) + "=" + value);
    }
    void WriteInt(Unit unit, int property, int value) override {
        ints[{unit, property}] = value;
        journal_.Add("write " + Name(unit) + "." + std::to_string(property) + "=" +
                     std::to_string(value));
    }
    std::uintptr_t WindowHandle(Unit unit) override {
        return 0x1000 + static_cast<std::uintptr_t>(unit);
    }
    int AddItem(Unit comboBox, const Text& text) override {
        items[comboBox].push_back(text);
        journal_.Add("item " + text);
        return static_cast<int>(items[comboBox].size()) - 1;
    }
    void SetStatusText(Unit, int part, const Text& text) override {
        if (part >= 0 && part < static_cast<int>(statusParts.size())) {
            statusParts[static_cast<std::size_t>(part)] = text;
        }
        journal_.Add("status" + std::to_string(part) + " " + text);
    }
    int MessageBox(const Text& message, int style, const Text* title) override {
        journal_.Add("box " + message + " style=" + std::to_string(style) +
                     (title ? " title=" + *title : std::string()));
        if (duringModal) {
            duringModal();
        }
        return messageBoxResult;
    }
    void PopupMenu(Unit, Unit menu) override {
        journal_.Add("popup " + std::to_string(static_cast<int>(menu)));
        if (duringModal) {
            duringModal();
        }
    }

    static std::string Name(Unit unit) { return std::to_string(static_cast<int>(unit)); }

  private:
    Journal& journal_;
};

class FakeTray : public Tray {
  public:
    explicit FakeTray(Journal& journal) : journal_(journal) {}
    int TraySetup(std::uintptr_t window, const Bytes* iconFile, const Text* tip,
                  TrayMouseCallback callback) override {
        kept = callback;
        journal_.Add("traysetup window=" + std::to_string(window) +
                     " icon=" + std::to_string(iconFile ? iconFile->size() : 0) +
                     " tip=" + (tip ? *tip : std::string("-")) + (callback ? " callback" : ""));
        return 1;
    }
    void BalloonTip(const Text& title, const Text& text, IconKind kind, int milliseconds,
                    bool autoHide) override {
        journal_.Add("balloon " + text + " kind=" + std::to_string(static_cast<int>(kind)) +
                     (title == "提示" && milliseconds == 2000 && autoHide ? "" : " (odd)"));
    }
    void TrayRemove() override { journal_.Add("trayremove"); }

    TrayMouseCallback kept;  // the mouse callback of the last TraySetup

  private:
    Journal& journal_;
};

// A scripted line: answers IsConnected from a queue (or a steady value) and journals calls.
class FakeDialup : public Dialup {
  public:
    explicit FakeDialup(Journal& journal) : journal_(journal) {}
    std::vector<Text> entries;
    std::deque<bool> connectedAnswers;  // consumed one per IsConnected; then `connected`
    bool connected = false;
    bool dialConnects = true;             // a dial brings the line up (when no answers are queued)
    std::uint32_t failedDialError = 691;  // the code of a dial that does not connect
    std::deque<std::uint32_t> dialCodes;  // consumed one per dial (0 connects); then the above

    int isConnectedCalls = 0;  // each one a listing of the connections

    // Each a listing of the phonebook: journalled, so that a stray one shows.
    int EntryCount() override {
        journal_.Add("entries");
        return static_cast<int>(entries.size());
    }
    Text EntryName(int index) override {
        journal_.Add("entry " + std::to_string(index));
        return index >= 0 && index < static_cast<int>(entries.size())
                   ? entries[static_cast<std::size_t>(index)]
                   : Text();
    }
    std::uint32_t Dial(const Text& target, const Text& account, const Text& password,
                       bool wait) override {
        journal_.Add("dial " + target + " " + account + " " + password + (wait ? "" : " nowait"));
        if (!dialCodes.empty()) {
            const std::uint32_t code = dialCodes.front();
            dialCodes.pop_front();
            connected = code == 0;
            return code;
        }
        connected = dialConnects;
        return dialConnects ? 0 : failedDialError;
    }
    bool IsConnected() override {
        ++isConnectedCalls;
        if (!connectedAnswers.empty()) {
            const bool answer = connectedAnswers.front();
            connectedAnswers.pop_front();
            return answer;
        }
        return connected;
    }
    void HangUpAll() override {
        journal_.Add("hangup");
        connected = false;
    }

  private:
    Journal& journal_;
};

// Serves queued page bodies (then `page`), journalling each fetch.
class FakeWeb : public PageFetcher {
  public:
    explicit FakeWeb(Journal& journal) : journal_(journal) {}
    std::deque<Text> pages;
    Text page;
    Bytes HttpFetch(const Text& url) override {
        journal_.Add("fetch " + url);
        Text body = page;
        if (!pages.empty()) {
            body = pages.front();
            pages.pop_front();
        }
        return Bytes(body.begin(), body.end());
    }

  private:
    Journal& journal_;
};

// A clock that advances only when the code waits; `onWait` stands for messages arriving.
class FakePump : public EventPump {
  public:
    std::uint32_t now = 1000;
    int processed = 0;
    int waits = 0;
    std::function<void()> onProcess;
    Journal* journal = nullptr;  // when set, every wait is journalled with its length
    void ProcessPendingEvents() override {
        ++processed;
        if (onProcess) {
            auto run = std::move(onProcess);  // each scripted event runs once
            onProcess = nullptr;
            run();
        }
    }
    std::uint32_t TickCount() override { return now; }
    void WaitForEvents(std::uint32_t milliseconds) override {
        ++waits;
        if (journal) {
            journal->Add("wait " + std::to_string(milliseconds));
        }
        now += milliseconds;
    }
};

class FakeProfile : public Profile {
  public:
    Text programPath = "C:\\Program Files\\Quorvane\\Quorvane.exe";
    std::map<std::pair<Text, Text>, Text> values;  // (section, key) -> value
    std::vector<std::string> writes;
    Text ProgramPath() override { return programPath; }
    Text ReadProfileString(const Text& section, const Text& key, const Text&) override {
        auto it = values.find({section, key});
        return it == values.end() ? Text() : it->second;
    }
    bool WriteProfileString(const Text& section, const Text& key, const Text& value,
                            const Text& path) override {
        values[{section, key}] = value;
        writes.push_back(path + "|" + section + "|" + key + "=" + value);
        return true;
    }
};

class FakeHotkeys : public Hotkeys {
  public:
    explicit FakeHotkeys(Journal& journal) : journal_(journal) {}
    int nextId = 33001;  // advances on refusals too, like the service's count
    bool refuse = false;
    std::vector<std::uintptr_t> windows;  // owning window of each call, in order
    int RegisterGlobalHotkey(std::uintptr_t window, std::uintptr_t label, int modifierCode,
                             int virtualKey) override {
        windows.push_back(window);
        const int id = nextId++;
        journal_.Add("register label=" + std::to_string(label) +
                     " mod=" + std::to_string(modifierCode) + " vk=" + std::to_string(virtualKey));
        return refuse ? 0 : id;
    }
    bool UnregisterGlobalHotkey(std::uintptr_t window, int id) override {
        windows.push_back(window);
        journal_.Add("unregister " + std::to_string(id));
        return true;
    }

  private:
    Journal& journal_;
};

// One assistant wired to fresh fakes. Wine tests may hand in the real page fetch or profile,
// which then stand in for `web` or `profile`.
struct Rig {
    // The line's followers are always there, as in the program (a test may add its own).
    Rig() { services.listeners = &followers; }
    Rig(PageFetcher* realWeb, Profile* realProfile) : realWeb(realWeb), realProfile(realProfile) {
        services.listeners = &followers;
    }

    PageFetcher* realWeb = nullptr;
    Profile* realProfile = nullptr;
    Journal journal;
    AppState state;
    FakeUnits units{journal};
    FakeTray tray{journal};
    FakeDialup dialup{journal};
    FakeWeb web{journal};
    FakePump pump;
    FakeProfile profile;
    FakeHotkeys hotkeys{journal};
    Services services{units,   tray,
                      dialup,  realWeb ? *realWeb : web,
                      pump,    realProfile ? *realProfile : profile,
                      hotkeys, Bytes(4286, 0)};
    LineListenerList followers;
    Assistant assistant{state, services};

    Lines Only(const std::string& prefix) const { return journal.Only(prefix); }

    // Three phonebook entries, the second chosen, and credentials typed in: a dial of this
    // window journals kTypedDial.
    void TypeDialTarget() {
        assistant.SetIpEchoPageUrl(kEchoUrl);
        dialup.entries = {"宽带连接", "ADSL", "备用"};
        units.ints[{Unit::组合框_宽带连接, prop::kSelection}] = 1;
        units.texts[{Unit::编辑框_宽带账号, prop::kContent}] = "user@163";
        units.texts[{Unit::编辑框_宽带密码, prop::kContent}] = "secret";
    }
};
inline const std::string kTypedDial = "dial @1 user@163 secret";

}  // namespace qv::testing
