#pragma once
// The proxy pool as one of those who follow the line: withdrawn before every hang-up and on a
// drop, published once a command keeps a line with an address (never a redial's round that
// it redials away from, nor the last round of one that ended failed), and remembered for the
// fleet then.
#include "app/ports.h"
#include "pool/pool_fleet.h"
#include "pool/pool_publisher.h"
#include "pool/pool_settings.h"

namespace qv {

class PoolListener final : public LineListeners {
  public:
    PoolListener(const PoolSettings& settings, PoolPublisher& publisher, PoolFleet& fleet)
        : settings_(settings), publisher_(publisher), fleet_(fleet) {}

    // The pool must never hand out an address that is about to die; bounded, then hang up
    // whatever Redis said.
    void BeforeHangUp() override { publisher_.WithdrawBeforeHangUp(); }

    void OnLineEvent(const LineEvent& event) override {
        if (event.kind == LineEventKind::Connected && event.kept) {
            if (const auto value = PoolAddress(settings_, event.ip)) {
                publisher_.Publish(*value, event.ip);
            }
            fleet_.Remember(event.ip);
        } else if (event.kind == LineEventKind::Dropped) {
            publisher_.Withdraw();
        }
    }

  private:
    const PoolSettings& settings_;
    PoolPublisher& publisher_;
    PoolFleet& fleet_;
};

}  // namespace qv
