#pragma once
// The message pump behind the EventPump port: the redial's pause dispatches through it, with
// the form's keyboard navigation.
#include <windows.h>

#include "app/ports.h"
#include "ui/form_win.h"

namespace qv {

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
