#pragma once
// The proxy pool as one of those who follow the line: withdrawn before every hang-up and on a
// drop, published once a command keeps a line with an address (never a redial's round that
// it redials away from, nor the last round of one that ended failed).
#include "app/ports.h"
#include "pool/pool_publisher.h"
#include "pool/pool_settings.h"

namespace qv {

class PoolListener final : public LineListeners {
  public:
    PoolListener(const PoolSettings& settings, PoolPublisher& publisher)
        : settings_(settings), publisher_(publisher) {}

    // The pool must never hand out an address that is about to die; bounded, then hang up
    // whatever Redis said.
    void BeforeHangUp() override { publisher_.WithdrawBeforeHangUp(); }

    void OnLineEvent(const LineEvent& event) override {
        if (event.kind == LineEventKind::Connected && event.kept) {
            if (const auto value = PoolAddress(settings_, event.ip)) {
                publisher_.Publish(*value);
            }
        } else if (event.kind == LineEventKind::Dropped) {
            publisher_.Withdraw();
        }
    }

  private:
    const PoolSettings& settings_;
    PoolPublisher& publisher_;
};

}  // namespace qv
