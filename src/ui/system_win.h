#pragma once
// The runtime's small system adapters: the profile functions and the message pump.
#include <windows.h>

#include "app/ports.h"
#include "ui/form_win.h"

namespace qv {

class WinProfile final : public Profile {
  public:
    Text ProgramPath() override;
    Text ReadProfileString(const Text& section, const Text& key, const Text& path) override;
    bool WriteProfileString(const Text& section, const Text& key, const Text& value,
                            const Text& path) override;
};

class WinEventPump final : public EventPump {
  public:
    explicit WinEventPump(const FormWindow& form) : form_(form) {}
    void ProcessPendingEvents() override;
    std::uint32_t TickCount() override;
    void WaitForEvents(std::uint32_t milliseconds) override;

  private:
    const FormWindow& form_;  // its window gets the form's keyboard navigation
};

}  // namespace qv
