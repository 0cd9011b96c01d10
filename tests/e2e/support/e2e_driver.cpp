#include "e2e/support/e2e_driver.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "desktop/desktop_ids.h"
#include "desktop/tray_record.h"
#include "wine/support/wine_support.h"

namespace qv::e2e {
namespace {

constexpr const char* kMainWindowClass = "QuorvaneMainWindow";
constexpr UINT kAnswerMs = 500;  // how long a message to the program may take to answer

// A test that hangs is ended from outside: what it printed so far must have reached the log.
const int kUnbufferedOutput = std::setvbuf(stdout, nullptr, _IONBF, 0);

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

struct ControlSearch {
    int id;
    HWND found = nullptr;
};

BOOL CALLBACK FindControlById(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<ControlSearch*>(lParam);
    if (GetDlgCtrlID(hwnd) == search->id) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// SendMessageTimeout that fails instead of hanging while the program is blocked.
std::optional<LRESULT> Ask(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                           UINT timeoutMs = kAnswerMs) {
    DWORD_PTR result = 0;
    if (hwnd == nullptr ||
        !SendMessageTimeoutA(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                             timeoutMs, &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

// Texts cross the process boundary in their wide form: the system copies WM_GETTEXT,
// WM_SETTEXT and CB_GETLBTEXT between processes, and Wine hands the narrow forms of some of
// them back unconverted. Ours are converted from and to the ANSI code page (GBK) here.
std::optional<LRESULT> AskWide(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (hwnd == nullptr ||
        !SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                             kAnswerMs, &result)) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

std::string Narrow(const wchar_t* wide) {
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) {
        return std::string();
    }
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text.data(), bytes, nullptr, nullptr);
    text.resize(static_cast<std::size_t>(bytes - 1));
    return text;
}

std::wstring Widen(const std::string& text) {
    const int chars = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(chars > 0 ? chars : 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), chars);
    wide.resize(wide.size() - 1);
    return wide;
}

std::optional<std::string> WindowText(HWND hwnd) {
    wchar_t text[1024] = {};
    if (!AskWide(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text))) {
        return std::nullopt;
    }
    return Narrow(text);
}

struct BoxParts {
    std::string text;
    bool icon = false;
};

BOOL CALLBACK ReadBoxPart(HWND hwnd, LPARAM lParam) {
    auto* parts = reinterpret_cast<BoxParts*>(lParam);
    char name[32] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (_stricmp(name, "Static") != 0 || !IsWindowVisible(hwnd)) {
        return TRUE;
    }
    if ((GetWindowLongA(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        parts->icon = parts->icon || Ask(hwnd, STM_GETICON, 0, 0).value_or(0) != 0;
    } else if (parts->text.empty()) {
        parts->text = WindowText(hwnd).value_or("");
    }
    return TRUE;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Utf8(const std::string& text) {
    const std::wstring wide = Widen(text);
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, utf8.data(), bytes, nullptr, nullptr);
    utf8.resize(utf8.size() - 1);
    return utf8;
}

// Under Wine, GetProcessTimes knows nothing of another process's time (it reports 0 for one
// that spins). Linux keeps the account in /proc/<pid>/stat; the Wine process is the one whose
// command line holds the program's path, which names a folder of its own.
std::optional<DWORD> LinuxProcessorTimeMs(const std::string& programPath) {
    const std::string wanted = Utf8(programPath);
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::optional<DWORD> time;
    do {
        const std::string pid = entry.cFileName;
        if (pid.find_first_not_of("0123456789") != std::string::npos ||
            ReadWholeFile("Z:\\proc\\" + pid + "\\cmdline").find(wanted) == std::string::npos) {
            continue;
        }
        // Past the command name in parentheses: state, then 10 fields, then utime and stime
        // in clock ticks of 10 ms.
        const std::string stat = ReadWholeFile("Z:\\proc\\" + pid + "\\stat");
        const auto close = stat.rfind(')');
        std::istringstream fields(close == std::string::npos ? "" : stat.substr(close + 1));
        std::string field;
        unsigned long long user = 0, system = 0;
        for (int i = 0; i < 11 && fields >> field; ++i) {
        }
        if (fields >> user >> system) {
            time = static_cast<DWORD>((user + system) * 10);
        }
    } while (!time && FindNextFileA(search, &entry));
    FindClose(search);
    return time;
}

}  // namespace

App::~App() {
    if (process_ != nullptr) {
        if (Running() && !attached_) {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
}

bool App::Start(const std::string& folder, DWORD timeoutMs, const std::string& program) {
    // The window shows before the start-up handler has run; it answers only afterwards.
    return Launch(folder, timeoutMs, program) &&
           testing::WaitUntil([&] { return Ask(window_, WM_NULL, 0, 0, 100).has_value(); },
                              timeoutMs);
}

bool App::Launch(const std::string& folder, DWORD timeoutMs, const std::string& program) {
    programPath_ = folder + "\\" + program;
    std::string command = "\"" + programPath_ + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    // Started from elsewhere: the program must find Config.ini beside itself.
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, "C:\\",
                        &startup, &info)) {
        return false;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    return testing::WaitUntil(
        [&] { return (window_ = FindTopLevel(processId_, kMainWindowClass)) != nullptr; },
        timeoutMs);
}

bool App::Attach(DWORD timeoutMs) {
    const bool found = testing::WaitUntil(
        [&] {
            window_ = FindTopLevel(0, kMainWindowClass);
            return window_ != nullptr && Ask(window_, WM_NULL, 0, 0, 100).has_value();
        },
        timeoutMs);
    if (!found) {
        return false;
    }
    GetWindowThreadProcessId(window_, &processId_);
    process_ = OpenProcess(PROCESS_ALL_ACCESS, FALSE, processId_);
    attached_ = true;
    char path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (process_ != nullptr && QueryFullProcessImageNameA(process_, 0, path, &size)) {
        programPath_ = std::string(path, size);
    }
    return process_ != nullptr;
}

bool App::Running() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> App::ProcessorTimeMs() const {
    if (FileExists("Z:\\proc\\self\\stat")) {
        return LinuxProcessorTimeMs(programPath_);
    }
    FILETIME created, exited, kernel, user;
    if (process_ == nullptr || !GetProcessTimes(process_, &created, &exited, &kernel, &user)) {
        return std::nullopt;
    }
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<DWORD>((ticks(kernel) + ticks(user)) / 10000);  // 100 ns units
}

HWND App::Control(Unit unit) const {
    ControlSearch search = {static_cast<int>(unit)};
    EnumChildWindows(window_, &FindControlById, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr && unit == Unit::状态条1) {
        // The window's only status bar, should it carry no control id of its own.
        return FindWindowExA(window_, nullptr, STATUSCLASSNAMEA, nullptr);
    }
    return search.found;
}

bool App::Click(Unit unit) const {
    HWND control = Control(unit);
    return control != nullptr && PostMessageA(control, BM_CLICK, 0, 0) != FALSE;
}

bool App::SetText(Unit unit, const std::string& text) const {
    const std::wstring wide = Widen(text);
    return AskWide(Control(unit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()))
        .has_value();
}

std::optional<std::string> App::Text(Unit unit) const {
    return WindowText(Control(unit));
}

std::optional<bool> App::Checked(Unit unit) const {
    const auto state = Ask(Control(unit), BM_GETCHECK, 0, 0);
    return state ? std::optional<bool>(*state == BST_CHECKED) : std::nullopt;
}

bool App::SetChecked(Unit unit, bool checked) const {
    return Ask(Control(unit), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0).has_value();
}

std::optional<bool> App::Enabled(Unit unit) const {
    HWND control = Control(unit);
    return control ? std::optional<bool>(IsWindowEnabled(control) != FALSE) : std::nullopt;
}

std::optional<int> App::ComboSelection(Unit unit) const {
    const auto selection = Ask(Control(unit), CB_GETCURSEL, 0, 0);
    return selection ? std::optional<int>(static_cast<int>(*selection)) : std::nullopt;
}

bool App::SetComboSelection(Unit unit, int index) const {
    return Ask(Control(unit), CB_SETCURSEL, static_cast<WPARAM>(index), 0).has_value();
}

std::vector<std::string> App::ComboItems(Unit unit) const {
    std::vector<std::string> items;
    HWND combo = Control(unit);
    const int count = static_cast<int>(Ask(combo, CB_GETCOUNT, 0, 0).value_or(0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        AskWide(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(Narrow(text));
    }
    return items;
}

bool App::ChooseComboItem(Unit unit, int index) const {
    HWND combo = Control(unit);
    const auto current = Ask(combo, CB_GETCURSEL, 0, 0);
    if (!current || !Ask(combo, CB_SHOWDROPDOWN, TRUE, 0)) {
        return false;
    }
    const int steps = index - static_cast<int>(*current);
    for (int i = 0; i < (steps < 0 ? -steps : steps); ++i) {
        Ask(combo, WM_KEYDOWN, steps < 0 ? VK_UP : VK_DOWN, 0);
    }
    return Ask(combo, WM_KEYDOWN, VK_RETURN, 0).has_value();
}

std::optional<POINT> App::CentreOf(Unit unit) const {
    RECT rc;
    HWND control = Control(unit);
    if (control == nullptr || !GetWindowRect(control, &rc)) {
        return std::nullopt;
    }
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

// SB_GETTEXT writes into the caller's buffer, which the system does not copy between
// processes: the buffer has to live in the program's own memory. The wide form is read, as
// Wine's narrow length counts characters rather than bytes.
std::optional<std::string> App::StatusText(int part) const {
    HWND bar = Control(Unit::状态条1);
    const auto length = AskWide(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0);
    if (!length) {
        return std::nullopt;
    }
    const SIZE_T chars = LOWORD(*length) + 1;
    void* remote = VirtualAllocEx(process_, nullptr, chars * sizeof(wchar_t),
                                  MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> text;
    if (AskWide(bar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(remote))) {
        std::wstring buffer(chars, L'\0');
        SIZE_T read = 0;
        if (ReadProcessMemory(process_, remote, buffer.data(), chars * sizeof(wchar_t), &read)) {
            buffer.back() = L'\0';
            text = Narrow(buffer.c_str());
        }
    }
    VirtualFreeEx(process_, remote, 0, MEM_RELEASE);
    return text;
}

bool App::WaitForStatus(int part, const std::string& text, DWORD timeoutMs) const {
    return testing::WaitUntil([&] { return StatusText(part) == text; }, timeoutMs);
}

bool App::WaitUntilIdle(DWORD timeoutMs) const {
    return testing::WaitUntil([&] { return Ask(window_, WM_NULL, 0, 0, 100).has_value(); },
                              timeoutMs);
}

std::optional<MessageBoxInfo> App::FindMessageBox() const {
    HWND box = FindTopLevel(processId_, "#32770");
    if (box == nullptr) {
        return std::nullopt;
    }
    MessageBoxInfo info;
    info.window = box;
    char title[256] = {};
    GetWindowTextA(box, title, sizeof title);  // the title is kept by the system
    info.title = title;
    BoxParts parts;
    EnumChildWindows(box, &ReadBoxPart, reinterpret_cast<LPARAM>(&parts));
    info.text = parts.text;
    info.warningIcon = parts.icon;
    return info;
}

std::optional<MessageBoxInfo> App::WaitForMessageBox(DWORD timeoutMs) const {
    std::optional<MessageBoxInfo> box;
    testing::WaitUntil([&] { return (box = FindMessageBox()).has_value(); }, timeoutMs);
    return box;
}

bool App::DismissMessageBox(const MessageBoxInfo& box, DWORD timeoutMs) const {
    PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.window, IDOK)));
    return testing::WaitUntil([&] { return !IsWindow(box.window); }, timeoutMs);
}

bool App::PostTrayMouse(UINT mouseMessage) const {
    return PostMessageA(window_, kTrayCallbackMessage, kTrayIconId, mouseMessage) != FALSE;
}

std::optional<LRESULT> App::SendTrayMouse(UINT mouseMessage) const {
    return Ask(window_, kTrayCallbackMessage, kTrayIconId, mouseMessage, 2000);
}

std::optional<HWND> App::FindPopupMenu() const {
    HWND menu = FindTopLevel(processId_, "#32768");
    return menu ? std::optional<HWND>(menu) : std::nullopt;
}

// The menu runs its own loop on the program's thread and reads keys posted to it.
bool App::ChooseTrayMenuEntry(int index, DWORD timeoutMs) const {
    if (!PostTrayMouse(WM_RBUTTONDOWN)) {
        return false;
    }
    std::optional<HWND> menu;
    if (!testing::WaitUntil([&] { return (menu = FindPopupMenu()).has_value(); }, timeoutMs)) {
        return false;
    }
    for (int i = 0; i <= index; ++i) {
        PostMessageA(*menu, WM_KEYDOWN, VK_DOWN, 0);
    }
    PostMessageA(*menu, WM_KEYDOWN, VK_RETURN, 0);
    return testing::WaitUntil([&] { return !FindPopupMenu().has_value(); }, timeoutMs);
}

bool App::SendTaskbarCreated() const {
    const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message != 0 && PostMessageA(window_, message, 0, 0) != FALSE;
}

// The shell finds icons by window and id, whoever asks: a modify that changes nothing
// tells whether the icon is there.
bool App::TrayIconPresent() const {
    NOTIFYICONDATAA probe = {};
    probe.cbSize = kTrayRecordSize;
    probe.hWnd = window_;
    probe.uID = kTrayIconId;
    return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

bool App::DeleteTrayIcon() const {
    NOTIFYICONDATAA icon = {};
    icon.cbSize = kTrayRecordSize;
    icon.hWnd = window_;
    icon.uID = kTrayIconId;
    return Shell_NotifyIconA(NIM_DELETE, &icon) != FALSE;
}

bool App::Close() const {
    return PostMessageA(window_, WM_CLOSE, 0, 0) != FALSE;
}

std::optional<DWORD> App::WaitForExit(DWORD timeoutMs) {
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

}  // namespace qv::e2e
