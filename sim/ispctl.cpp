// Control command for the simulated ISP: scenario knobs, the line, the RAS call log.
// Run "ispctl help" for the commands. Exit codes: 0 done, 1 failed, 2 bad usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dialup/ras_records.h"
#include "sim_control.h"
#include "sim_shared.h"

using namespace qv::sim;

namespace {

const char* const kUsage =
    "usage: ispctl COMMAND [ARGS]\n"
    "  status                       the scenario, the line and the ISP process\n"
    "  reset                        default scenario, empty line, empty call log\n"
    "  entries [NAME...]            replace the phonebook (no names: empty)\n"
    "  entries-numbered N [PREFIX]  N entries named PREFIX1..PREFIXN\n"
    "  credentials any | USER PASSWORD [USER PASSWORD...]\n"
    "  delays CONNECT_MS HANGUP_MS\n"
    "  fail-next N [ERROR]          the next N dials fail with ERROR (default 678)\n"
    "  busy-after-hangup MS         for MS after a hang-up starts, dials fail with 633\n"
    "  keep-address                 the next successful dial keeps the previous address\n"
    "  pool ADDRESS...              addresses handed out in turn\n"
    "  hangup-never on|off          hang-ups started from now on never complete\n"
    "  router on [ADDRESS] | off    echo page shows ADDRESS while no dial-up is up\n"
    "  offline on|off               no address on the echo page; dials fail with 678\n"
    "  external ENTRY [ADDRESS]     a connection made by another program (prints handle)\n"
    "  stuck-auth ENTRY             a connection stuck in authentication (prints handle)\n"
    "  drop HANDLE|all              the line drops (handle stays valid until hung up)\n"
    "  notify on|off                off: connection-end notifications never arrive\n"
    "  page-delay MS                the echo page answers after MS\n"
    "  page-garbage on|off          the echo page shows no address between its brackets\n"
    "  clear-connections            empty the line at once\n"
    "  connections                  list the line's connections\n"
    "  log [N]                      the last N RAS calls (default all kept)\n"
    "  clear-log                    empty the RAS call log and the page count\n"
    "  page                         what the echo page shows now, and fetch counts\n"
    "  notifications                registered connection-end notifications\n"
    "  wait-ready [MS]              wait until the ISP process serves (default 10000)\n"
    "  stop [MS]                    stop the ISP process\n";

// Under Wine our output lands on a Unix terminal, which reads UTF-8, not the ANSI code page.
bool UnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string ForOutput(const std::string& text) {
    static const bool convert = UnderWine();
    if (!convert || text.empty()) {
        return text;
    }
    const int wide =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), w.data(), wide);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, out.data(), bytes, nullptr, nullptr);
    return out;
}

void Print(const std::string& text) {
    const std::string out = ForOutput(text);
    std::fwrite(out.data(), 1, out.size(), stdout);
}

std::string Hex(std::uintptr_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%llx", static_cast<unsigned long long>(value));
    return buffer;
}

bool ParseNumber(const char* text, unsigned long long& value) {
    char* end = nullptr;
    value = std::strtoull(text, &end, 0);
    return end != text && *end == '\0';
}

bool ParseSwitch(const char* text, bool& on) {
    if (std::strcmp(text, "on") == 0) {
        on = true;
        return true;
    }
    if (std::strcmp(text, "off") == 0) {
        on = false;
        return true;
    }
    return false;
}

std::string StateText(std::uint32_t state) {
    std::string text = StateName(state);
    char number[16];
    std::snprintf(number, sizeof number, "(0x%x)", state);
    return text + number;
}

void PrintConnections() {
    const auto connections = Connections();
    if (connections.empty()) {
        Print("no connections\n");
    }
    for (const Connection& c : connections) {
        std::string line = Hex(c.handle) + "  " + StateText(c.state);
        if (c.error != 0) {
            line += " error " + std::to_string(c.error);
        }
        line += "  \"" + c.entryName + "\"";
        if (!c.address.empty()) {
            line += "  " + c.address;
        }
        if (c.external) {
            line += "  (another program)";
        }
        if (c.hangingUp) {
            line += "  (hanging up)";
        }
        Print(line + "\n");
    }
}

std::string Flags(std::uint32_t flags) {
    std::string text;
    if (flags & kReservedGiven)
        text += " reserved";
    if (flags & kPhonebookGiven)
        text += " phonebook";
    if (flags & kExtensionsGiven)
        text += " extensions";
    if (flags & kNotifierGiven)
        text += " notifier";
    if (flags & kUnterminatedField)
        text += " UNTERMINATED-FIELD";
    return text;
}

std::string Result(std::uint32_t result) {
    return result == kResultPending ? std::string("pending") : std::to_string(result);
}

void PrintCall(const RasCall& c) {
    std::string line = "#" + std::to_string(c.sequence) + " pid " + std::to_string(c.pid) + " " +
                       FunctionName(c.function) + " -> " + Result(c.result);
    switch (c.function) {
        case RasFunction::EnumEntries:
        case RasFunction::EnumConnections:
            line += "  size " + std::to_string(c.recordSize) + " cb " +
                    std::to_string(c.bufferSize) + "->" + std::to_string(c.bufferSizeOut) +
                    " count " + std::to_string(c.count);
            break;
        case RasFunction::Dial:
            line += "  size " + std::to_string(c.recordSize) + " entry \"" + c.entryName +
                    "\" phone \"" + c.phoneNumber + "\" user \"" + c.userName + "\" password \"" +
                    c.password + "\" handle " + Hex(c.handle);
            if (!c.callbackNumber.empty() || !c.domain.empty()) {
                line += " callback \"" + c.callbackNumber + "\" domain \"" + c.domain + "\"";
            }
            break;
        case RasFunction::GetConnectStatus:
            line += "  handle " + Hex(c.handle);
            if (c.result == 0) {
                line += " state " + StateText(c.state);
            }
            break;
        case RasFunction::HangUp:
            line += "  handle " + Hex(c.handle);
            break;
        case RasFunction::ConnectionNotification:
            line += "  handle " +
                    (c.handle == kAllConnections ? std::string("all") : Hex(c.handle)) + " flags " +
                    std::to_string(c.notifierType);
            break;
    }
    Print(line + Flags(c.flags) + "\n");
}

void PrintStatus() {
    const Knobs k = ReadKnobs();
    std::string text = "phonebook: " + std::to_string(k.entries.size()) + " entries\n";
    for (std::size_t i = 0; i < k.entries.size(); ++i) {
        text += "  " + std::to_string(i) + ": " + k.entries[i] + "\n";
    }
    text += "credentials: ";
    if (k.credentials.empty()) {
        text += "any";
    }
    for (const Credential& c : k.credentials) {
        text += c.userName + "/" + c.password + " ";
    }
    text += "\ndelays: connect " + std::to_string(k.connectDelayMs) + " ms, hang-up " +
            std::to_string(k.hangUpDelayMs) + " ms" +
            (k.hangUpNeverCompletes ? " (hang-ups never complete)" : "") + "\n";
    text += "next dials failing: " + std::to_string(k.failNextCount) + " (error " +
            std::to_string(k.failNextError) + ")\n";
    text += "address pool:";
    for (const std::string& a : k.pool) {
        text += " " + a;
    }
    text += "\nlast address: " + k.lastAddress + (k.keepAddressNext ? " (kept for next dial)" : "");
    text += "\nrouter mode: " + std::string(k.routerMode ? "on " + k.routerAddress : "off");
    text += "\noffline: " + std::string(k.offline ? "on" : "off") + "\n";
    text += "port busy after hang-up: " + std::to_string(k.busyAfterHangUpMs) + " ms\n";
    text += "notifications: " + std::string(k.notificationsOn ? "on" : "off") + ", " +
            std::to_string(Notifications().size()) + " registered\n";
    text += "echo page: delay " + std::to_string(k.pageDelayMs) + " ms" +
            (k.pageGarbage ? ", garbage" : "") + "\n";
    const std::uint32_t pid = IspPid();
    text += pid ? "ISP process: pid " + std::to_string(pid) +
                      ", http://127.0.0.1:" + std::to_string(IspPort()) + "/ic.asp\n"
                : std::string("ISP process: not running\n");
    text += "echo page shows: [" + PublicAddress() + "], fetched " + std::to_string(PageFetches()) +
            " times\n";
    Print(text);
    PrintConnections();
}

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

int Run(const std::vector<std::string>& args) {
    if (args.empty() || args[0] == "help" || args[0] == "--help") {
        std::fputs(kUsage, stdout);
        return args.empty() ? 2 : 0;
    }
    const std::string& command = args[0];
    const std::size_t n = args.size() - 1;
    auto arg = [&](std::size_t i) { return args[i].c_str(); };
    unsigned long long a = 0;
    unsigned long long b = 0;
    bool on = false;

    if (command == "status" && n == 0) {
        PrintStatus();
    } else if (command == "reset" && n == 0) {
        Reset();
    } else if (command == "entries") {
        SetEntries(std::vector<std::string>(args.begin() + 1, args.end()));
    } else if (command == "entries-numbered" && (n == 1 || n == 2) && ParseNumber(arg(1), a)) {
        const std::string prefix = n == 2 ? args[2] : std::string("宽带连接");
        std::vector<std::string> names;
        for (unsigned long long i = 1; i <= a && i <= kMaxEntries; ++i) {
            names.push_back(prefix + std::to_string(i));
        }
        SetEntries(names);
    } else if (command == "credentials" && n == 1 && args[1] == "any") {
        SetCredentials({});
    } else if (command == "credentials" && n >= 2 && n % 2 == 0) {
        std::vector<Credential> accepted;
        for (std::size_t i = 1; i + 1 <= n; i += 2) {
            accepted.push_back({args[i], args[i + 1]});
        }
        SetCredentials(accepted);
    } else if (command == "delays" && n == 2 && ParseNumber(arg(1), a) && ParseNumber(arg(2), b)) {
        SetDelays(static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b));
    } else if (command == "fail-next" && (n == 1 || n == 2) && ParseNumber(arg(1), a) &&
               (n == 1 || ParseNumber(arg(2), b))) {
        if (n == 2 && (b == 0 || b > 0xFFFFFFFEull)) {
            std::fputs("ispctl: the error must be a nonzero code\n", stderr);
            return 2;
        }
        FailNextDials(static_cast<std::uint32_t>(a),
                      n == 2 ? static_cast<std::uint32_t>(b) : kDefaultFailError);
    } else if (command == "busy-after-hangup" && n == 1 && ParseNumber(arg(1), a)) {
        SetPortBusyAfterHangUp(static_cast<std::uint32_t>(a));
    } else if (command == "notify" && n == 1 && ParseSwitch(arg(1), on)) {
        SetNotificationsOn(on);
    } else if (command == "page-delay" && n == 1 && ParseNumber(arg(1), a)) {
        SetPageDelay(static_cast<std::uint32_t>(a));
    } else if (command == "page-garbage" && n == 1 && ParseSwitch(arg(1), on)) {
        SetPageGarbage(on);
    } else if (command == "notifications" && n == 0) {
        for (const Notification& r : Notifications()) {
            Print("pid " + std::to_string(r.pid) + "  " +
                  (r.connection == kAllConnections ? std::string("all") : Hex(r.connection)) +
                  "  flags " + std::to_string(r.flags) + "\n");
        }
    } else if (command == "keep-address" && n == 0) {
        KeepAddressOnNextDial();
    } else if (command == "pool" && n >= 1) {
        SetAddressPool(std::vector<std::string>(args.begin() + 1, args.end()));
    } else if (command == "hangup-never" && n == 1 && ParseSwitch(arg(1), on)) {
        SetHangUpNeverCompletes(on);
    } else if (command == "router" && (n == 1 || n == 2) && ParseSwitch(arg(1), on) &&
               (on || n == 1)) {
        SetRouterMode(on, n == 2 ? args[2] : ReadKnobs().routerAddress);
    } else if (command == "offline" && n == 1 && ParseSwitch(arg(1), on)) {
        SetOffline(on);
    } else if (command == "external" && (n == 1 || n == 2)) {
        const auto handle = AddExternalConnection(args[1], n == 2 ? args[2] : std::string());
        if (handle == 0) {
            std::fputs("ispctl: no free line slot\n", stderr);
            return 1;
        }
        Print(Hex(handle) + "\n");
    } else if (command == "stuck-auth" && n == 1) {
        const auto handle = AddStuckConnection(args[1]);
        if (handle == 0) {
            std::fputs("ispctl: no free line slot\n", stderr);
            return 1;
        }
        Print(Hex(handle) + "\n");
    } else if (command == "drop" && n == 1 && args[1] == "all") {
        for (const Connection& c : Connections()) {
            DropConnection(c.handle);
        }
    } else if (command == "drop" && n == 1 && ParseNumber(arg(1), a)) {
        if (!DropConnection(static_cast<std::uintptr_t>(a))) {
            std::fputs("ispctl: no such connection\n", stderr);
            return 1;
        }
    } else if (command == "clear-connections" && n == 0) {
        ClearConnections();
    } else if (command == "connections" && n == 0) {
        PrintConnections();
    } else if (command == "log" && n <= 1 && (n == 0 || ParseNumber(arg(1), a))) {
        const auto calls = Calls();
        const std::size_t from = n == 1 && a < calls.size() ? calls.size() - a : 0;
        for (std::size_t i = from; i < calls.size(); ++i) {
            PrintCall(calls[i]);
        }
    } else if (command == "clear-log" && n == 0) {
        ClearCalls();
    } else if (command == "page" && n == 0) {
        Print("[" + PublicAddress() + "] fetched " + std::to_string(PageFetches()) +
              " times, last showed [" + LastPageAddress() + "]; error page fetched " +
              std::to_string(ErrorPageFetches()) + " times\n");
    } else if (command == "wait-ready" && n <= 1 && (n == 0 || ParseNumber(arg(1), a))) {
        const DWORD timeout = n == 1 ? static_cast<DWORD>(a) : 10000;
        const DWORD start = GetTickCount();
        while (IspPid() == 0) {
            if (GetTickCount() - start >= timeout) {
                std::fputs("ispctl: the ISP process is not running\n", stderr);
                return 1;
            }
            Sleep(50);
        }
        Print("http://127.0.0.1:" + std::to_string(IspPort()) + "/ic.asp\n");
    } else if (command == "stop" && n <= 1 && (n == 0 || ParseNumber(arg(1), a))) {
        if (!StopIsp(n == 1 ? static_cast<std::uint32_t>(a) : 5000)) {
            std::fputs("ispctl: the ISP process did not stop\n", stderr);
            return 1;
        }
    } else {
        return Usage();
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!Attach()) {
        std::fputs("ispctl: cannot open the simulated ISP's shared state\n", stderr);
        return 1;
    }
    const bool ispWasRunning = IspPid() != 0;
    const int status = Run(std::vector<std::string>(argv + 1, argv + argc));
    // Without the ISP process nobody may hold the state once we exit, and it would be lost.
    if (status == 0 && !ispWasRunning && argc > 1 && std::strcmp(argv[1], "wait-ready") != 0 &&
        std::strcmp(argv[1], "stop") != 0 && std::strcmp(argv[1], "help") != 0) {
        std::fputs(
            "ispctl: note: the ISP process is not running; the line lasts only while "
            "some process holds it\n",
            stderr);
    }
    std::fflush(stdout);
    return status;
}
