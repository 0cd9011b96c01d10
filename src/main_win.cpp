// Program entry: state, clean-up, "TaskbarCreated", the main window, the message loop.
#include <windows.h>

#include <commctrl.h>

#include "app/app_state.h"
#include "app/assistant.h"
#include "app/settings.h"
#include "desktop/hotkey_service_win.h"
#include "desktop/tray_menu_win.h"
#include "desktop/tray_win.h"
#include "dialup/ras_service_win.h"
#include "resource_ids.h"
#include "ui/form_win.h"
#include "ui/program_end_win.h"
#include "ui/system_win.h"
#include "web/http_fetch_win.h"

namespace {

qv::Bytes ProgramIconFile(HINSTANCE instance) {
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(IDR_QUORVANE_ICO_FILE),
                                reinterpret_cast<LPCSTR>(RT_RCDATA));
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
    return bytes ? qv::Bytes(bytes, bytes + SizeofResource(instance, found)) : qv::Bytes();
}

void ServiceTeardown() {
    qv::CloseHttpSession();
    qv::RasTeardownAtExit();
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    qv::WinProfile profile;
    SetCurrentDirectoryA(qv::StartDirectory(profile).c_str());
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    qv::CreateAppState();
    qv::AppState& state = qv::TheAppState();
    qv::RegisterEndRoutines({&qv::ReleaseAppState, &ServiceTeardown});
    state.taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");

    qv::Assistant* assistant = nullptr;  // set before the window is loaded
    qv::FormWindow form([&assistant](qv::Handler h, std::intptr_t a, std::intptr_t b) {
        return assistant ? assistant->Raise(h, a, b) : 0;
    });
    qv::WinTray tray(state);
    qv::RasService dialup;
    qv::WinPageFetcher web;
    qv::WinEventPump pump(form);
    qv::WinHotkeys hotkeys;
    qv::Services services{form,
                          tray,
                          dialup,
                          web,
                          pump,
                          profile,
                          hotkeys,
                          &qv::TrayMouseHandler,
                          ProgramIconFile(instance)};
    qv::Assistant app(state, services);
    assistant = &app;

    if (form.Load(instance)) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            qv::DispatchFormMessage(form.MainWindow(), msg);
        }
    }
    qv::EndProgram(0);
}
