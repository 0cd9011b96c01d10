#pragma once
// The dial-up service on the system's RAS functions.
#include "app/ports.h"

namespace qv {

class RasService final : public Dialup {
public:
    int EntryCount() override;
    Text EntryName(int index) override;
    bool Dial(const Text& target, const Text& account, const Text& password, bool wait) override;
    bool IsConnected() override;
    void HangUpAll() override;
};

// At exit, after the web session is closed: releases the dialled connection unless it is
// connected, so ending the program never drops a working line.
void RasTeardownAtExit();

}  // namespace qv
