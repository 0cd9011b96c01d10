#pragma once
// The dial-up service on the system's RAS functions. It shows nothing: every failure reads as
// "no entries", "not connected" or a false dial, and the commands report in their own words.
// A failed dial's or hang-up's code is recorded for developers and returned to the caller.
#include <cstdint>

#include "app/ports.h"
#include "dialup/hang_up_wait.h"

namespace qv {

class RasService final : public Dialup {
  public:
    // `hangUpBoundMs`: how long a hang-up is waited for before the service goes on.
    explicit RasService(std::uint32_t hangUpBoundMs = kHangUpBoundMs)
        : hangUpBoundMs_(hangUpBoundMs) {}

    int EntryCount() override;
    Text EntryName(int index) override;
    // Always dials synchronously: every caller waits for the outcome, so `wait` is not used.
    // RasDialA's result (0: it started the line), whatever the connection's state is now.
    std::uint32_t Dial(const Text& target, const Text& account, const Text& password,
                       bool wait) override;
    bool IsConnected() override;
    void HangUpAll() override;

  private:
    std::uint32_t hangUpBoundMs_;
};

// Whether any listed connection is established, asked afresh of the system. Reads none of the
// service's state, so any thread may ask.
bool AnyConnectionEstablished();

// The connection the last dial started, null when none (the service's process-wide state).
void*& DialledConnection();

// At exit, after the web session is closed: releases the dialled connection unless it is
// connected, so ending the program never drops a working line.
void RasTeardownAtExit();

}  // namespace qv
