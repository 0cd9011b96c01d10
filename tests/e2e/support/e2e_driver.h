#pragma once
// Drives the real Quorvane.exe from another process, the way a user would: finds the
// window's controls by their control id (each unit's id is its qv::Unit number), clicks,
// types, reads the status bar, answers message boxes and the tray menu, and closes it.
// Every wait has a deadline.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "sim_control.h"
#include "ui/form_ids.h"
#include "wine/support/sim_line_test.h"
#include "wine/support/wine_support.h"

namespace qv::e2e {

// A fresh folder in the temporary directory holding a copy of the program and of the
// simulated rasapi32.dll beside it; removed again with its files when destroyed. The folder's
// name ends in `nameSuffix` (GBK) and the program's copy is called `programName`.
class ProgramFolder {
  public:
    explicit ProgramFolder(const std::string& nameSuffix = "",
                           const std::string& programName = "Quorvane.exe");
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    bool Ready() const { return ready_; }
    const std::string& Path() const { return path_; }
    const std::string& ProgramName() const { return programName_; }
    std::string ConfigPath() const { return path_ + "\\Config.ini"; }
    // Writes Config.ini as given (GBK bytes); "" removes it.
    void WriteConfig(const std::string& text) const;
    std::string ReadConfig() const;

  private:
    std::string path_;
    std::string programName_;
    bool ready_ = false;
};

using testing::FindTopLevel;

// The simulated ISP on a port the system picked as free; nullptr when it did not start.
std::unique_ptr<sim::IspProcess> StartIsp();

// Config.ini sending the IP lookups to `echoUrl`, with optional saved settings.
std::string ConfigText(const std::string& echoUrl, const std::string& index = "",
                       const std::string& account = "", const std::string& password = "");

struct MessageBoxInfo {
    HWND window = nullptr;
    std::string title;
    std::string text;
    bool warningIcon = false;  // a visible icon is shown
};

class App {
  public:
    App() = default;
    ~App();  // a program still running is ended, unless it was attached to
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    // Starts <folder>\<program> from another working directory and waits until its main
    // window is visible and the start-up has finished (the message loop answers).
    bool Start(const std::string& folder, DWORD timeoutMs = 60000,
               const std::string& program = "Quorvane.exe");
    bool Start(const ProgramFolder& folder) {
        return Start(folder.Path(), 60000, folder.ProgramName());
    }
    // Starts it the same way and waits only until its main window is visible: the start-up
    // may still be running.
    bool Launch(const std::string& folder, DWORD timeoutMs = 60000,
                const std::string& program = "Quorvane.exe");
    // Takes over a program started by someone else: the first visible main window found.
    bool Attach(DWORD timeoutMs = 60000);
    HWND MainWindow() const { return window_; }
    DWORD ProcessId() const { return processId_; }
    bool Running() const;
    // The processor time (user and kernel) the program has used so far, as the system that
    // runs it accounts it.
    std::optional<DWORD> ProcessorTimeMs() const;

    HWND Control(Unit unit) const;
    // Posts BM_CLICK: the program runs the click on its own thread; wait for its effects.
    bool Click(Unit unit) const;
    bool SetText(Unit unit, const std::string& text) const;
    std::optional<std::string> Text(Unit unit) const;
    std::optional<bool> Checked(Unit unit) const;
    bool SetChecked(Unit unit, bool checked) const;
    std::optional<bool> Enabled(Unit unit) const;
    std::optional<int> ComboSelection(Unit unit) const;
    bool SetComboSelection(Unit unit, int index) const;
    std::vector<std::string> ComboItems(Unit unit) const;
    // Opens the list, moves to item `index` with the arrow keys and confirms with Return,
    // as a user does: the program sees a confirmed choice.
    bool ChooseComboItem(Unit unit, int index) const;
    // The centre of a control in screen coordinates.
    std::optional<POINT> CentreOf(Unit unit) const;

    // The text of a status bar part, read through a buffer in the program's memory;
    // nullopt while the program is busy (a blocking dial or lookup) or on failure.
    std::optional<std::string> StatusText(int part) const;
    bool WaitForStatus(int part, const std::string& text, DWORD timeoutMs = 30000) const;
    // Waits until the window answers messages again (a command has returned).
    bool WaitUntilIdle(DWORD timeoutMs = 30000) const;

    // The program's open message box, if any.
    std::optional<MessageBoxInfo> FindMessageBox() const;
    std::optional<MessageBoxInfo> WaitForMessageBox(DWORD timeoutMs = 30000) const;
    bool DismissMessageBox(const MessageBoxInfo& box, DWORD timeoutMs = 10000) const;

    // The tray: mouse notifications as the shell sends them, the popup menu, "TaskbarCreated"
    // and the icon itself as the shell knows it (keyed by window and id 1).
    bool PostTrayMouse(UINT mouseMessage) const;
    // Sends it and returns the window's answer; nullopt when none came within 2 s.
    std::optional<LRESULT> SendTrayMouse(UINT mouseMessage) const;
    // Opens the tray menu with a right-button press and chooses entry `index` (0-based).
    bool ChooseTrayMenuEntry(int index, DWORD timeoutMs = 10000) const;
    std::optional<HWND> FindPopupMenu() const;
    bool SendTaskbarCreated() const;
    bool TrayIconPresent() const;
    bool DeleteTrayIcon() const;

    bool Close() const;  // posts WM_CLOSE
    std::optional<DWORD> WaitForExit(DWORD timeoutMs = 30000);

  private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    std::string programPath_;
    HWND window_ = nullptr;
    bool attached_ = false;
};

// Runs xdotool on the X server under Wine's desktop, without waiting for it: Wine starts
// the Linux program but cannot wait on it, so the caller waits for its effects. False when
// xdotool is missing or did not start.
bool XdoTool(const std::string& arguments);
// Starts a Linux program by its absolute path (Wine runs it; it cannot be waited for); false
// when it could not be started.
bool StartUnixProgram(std::string commandLine);

// The folder for screenshots and other test output: %QV_TEST_OUTPUT_DIR%, else
// <bin>\..\test-output. Created when missing.
std::string TestOutputDirectory();
bool SaveScreenshot(const std::string& path);

// The fixture of every end-to-end test: the simulated line with its ISP, a folder with the
// program, the program. A fixture names its line's `entries` and `addresses` in its
// constructor. Before each test the line is reset, the ISP started on a free port and
// Config.ini pointed at its echo page; after it the program is closed (or ended, with any
// other a failed test left behind) and the line reset. A failed test leaves a screenshot
// named after it in the output folder.
class E2eTest : public testing::SimLineTest {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Config.ini: the ISP's echo page, then `sections` as they are (GBK, "\r\n" lines).
    std::string Config(const std::string& sections = "") const;
    // Writes `config` (unless empty), starts the program and waits for its start-up to end.
    void StartProgram(const std::string& config = "");
    // The command line's caller, its output captured; one that did not end is a failure.
    testing::ProgramRun Call(const std::string& arguments, DWORD timeoutMs = 60000);

    std::vector<std::string> entries = {"宽带连接"};
    std::vector<std::string> addresses = {"203.0.113.11", "203.0.113.12", "203.0.113.13",
                                          "203.0.113.14"};
    std::unique_ptr<sim::IspProcess> isp;
    ProgramFolder folder;
    std::unique_ptr<App> app;
};

}  // namespace qv::e2e
