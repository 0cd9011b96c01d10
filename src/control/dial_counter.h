#pragma once
// The dial-up service as the assistant sees it, counting dials so that a scripted command
// can report how many tries it took.
#include "app/ports.h"

namespace qv {

class DialCounter final : public Dialup {
  public:
    explicit DialCounter(Dialup& inner) : inner_(inner) {}

    int Dials() const { return dials_; }
    void Reset() { dials_ = 0; }

    int EntryCount() override { return inner_.EntryCount(); }
    Text EntryName(int index) override { return inner_.EntryName(index); }
    bool Dial(const Text& target, const Text& account, const Text& password, bool wait) override {
        ++dials_;
        return inner_.Dial(target, account, password, wait);
    }
    bool IsConnected() override { return inner_.IsConnected(); }
    void HangUpAll() override { inner_.HangUpAll(); }
    std::uint32_t LastDialError() const override { return inner_.LastDialError(); }

  private:
    Dialup& inner_;
    int dials_ = 0;
};

}  // namespace qv
