#pragma once
// The dial-up service on the system's RAS functions. It shows nothing: every failure reads
// as "no entries", "not connected" or a false dial, and the commands report in their own
// words. Only the last dial's code is kept, for scripts that ask why a dial failed.
#include "app/ports.h"

namespace qv {

class RasService final : public Dialup {
  public:
    int EntryCount() override;
    Text EntryName(int index) override;
    // Always dials synchronously: every caller waits for the outcome, so `wait` is not used.
    bool Dial(const Text& target, const Text& account, const Text& password, bool wait) override;
    bool IsConnected() override;
    void HangUpAll() override;
    std::uint32_t LastDialError() override { return lastDialError_; }

  private:
    std::uint32_t lastDialError_ = 0;
};

// At exit, after the web session is closed: releases the dialled connection unless it is
// connected, so ending the program never drops a working line.
void RasTeardownAtExit();

}  // namespace qv
