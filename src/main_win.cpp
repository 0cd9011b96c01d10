// Program entry: state, clean-up, "TaskbarCreated", the main window, the message loop.
#include <windows.h>

#include <commctrl.h>

#include <memory>

#include "app/app_state.h"
#include "app/assistant.h"
#include "app/settings.h"
#include "base/inbox.h"
#include "base/program_end_win.h"
#include "base/window_inbox_win.h"
#include "control/command_line_win.h"
#include "control/instance_win.h"
#include "control/scripting_win.h"
#include "desktop/hotkey_service_win.h"
#include "desktop/tray_state.h"
#include "desktop/tray_win.h"
#include "dialup/ras_service_win.h"
#include "line_wiring_win.h"
#include "resource_ids.h"
#include "system/profile_win.h"
#include "ui/event_pump_win.h"
#include "ui/form_win.h"
#include "web/http_fetch_win.h"

namespace {

qv::Bytes ProgramIconFile(HINSTANCE instance) {
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(IDR_QUORVANE_ICO_FILE),
                                reinterpret_cast<LPCSTR>(RT_RCDATA));
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
    return bytes ? qv::Bytes(bytes, bytes + SizeofResource(instance, found)) : qv::Bytes();
}

// The clean-up of the program's own state, then the services' teardown in their one order:
// the web session closed, then the dialled connection let go (hung up only if not working).
void CleanUp() {
    qv::LetGoOfInstance();
    qv::ReleaseAppState();
    qv::ReleaseTrayState();
}

// The program ends through EndProgram, which does not return to unwind WinMain's locals.
qv::LineWiring*& RunningLineWiring() {
    static qv::LineWiring* wiring = nullptr;
    return wiring;
}

void ServiceTeardown() {
    if (RunningLineWiring() != nullptr) {
        RunningLineWiring()->Stop();
    }
    qv::StopRemoteControlAtExit();
    qv::CloseHttpSession();
    qv::RasTeardownAtExit();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // A script's caller, or a second start of the program: neither is the program.
    if (const std::optional<int> exitCode = qv::RunCallerOrClaimInstance()) {
        return *exitCode;
    }
    qv::WinProfile profile;
    SetCurrentDirectoryA(qv::StartDirectory(profile).c_str());
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    qv::CreateAppState();
    qv::CreateTrayState();
    qv::RegisterEndRoutines({&CleanUp, &ServiceTeardown});
    qv::TheTrayState().taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");

    qv::Scripting* scripting = nullptr;  // set before the window is loaded
    qv::FormWindow form([&scripting](qv::Handler h, std::intptr_t a, std::intptr_t b) {
        return scripting ? scripting->Raise(h, a, b) : 0;
    });
    // Read before any balloon could show: 提示 decides which do.
    const qv::UnattendedSettings unattended = qv::ReadUnattendedSettings(profile);
    qv::WinTray shell(qv::TheTrayState());
    qv::BalloonFilter tray(shell, unattended.balloons);
    qv::RasService dialup;
    qv::WinPageFetcher web;
    qv::WinEventPump pump(form);
    qv::WinHotkeys hotkeys;
    qv::Services services{form, tray,    dialup,  web,
                          pump, profile, hotkeys, ProgramIconFile(instance)};
    qv::Assistant app(qv::TheAppState(), services);
    static qv::Inbox inbox;  // outlives every worker: the program ends without unwinding
    qv::Scripting scripts(app, qv::TheAppState(), services, inbox,
                          [&form] { return form.MainWindow(); });
    form.SetMessageHook([&scripts](UINT message, WPARAM wParam, LPARAM lParam) {
        if (qv::RunInboxMessage(inbox, message)) {
            return std::optional<LRESULT>(0);
        }
        return scripts.OnMessage(message, wParam, lParam);
    });
    scripting = &scripts;

    std::unique_ptr<qv::LineWiring> line;
    if (form.Load(instance, unattended.startMinimised ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL)) {
        line = std::make_unique<qv::LineWiring>(app, services, scripts, inbox);
        RunningLineWiring() = line.get();
        line->Start();
        qv::WakeThroughWindow(inbox, form.MainWindow());
        // In the message loop, once the line's followers listen: a dial there is published.
        inbox.Post([&scripts, unattended] { scripts.StartUnattended(unattended); });
        scripts.StartRemoteControl();
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            qv::DispatchFormMessage(form.MainWindow(), msg);
        }
    }
    qv::EndProgram(0);
}
