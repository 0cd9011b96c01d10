#pragma once
// What a node tells Prometheus: counters and histograms kept as the line's followers hear of
// commands, dials and line events (on the window's thread), read as the text exposition
// format 0.0.4 by the HTTP control's thread. Written by hand: the C++ client library is not
// built for MinGW here, and the format is a few lines of text (checked by promtool in the
// tests). No address, account or entry name appears in a label or a value.
#include <array>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/ports.h"

namespace qv {

// What the board knows when the text is asked for.
struct MetricsFacts {
    bool lineUp = false;
    bool poolUp = false;
    int commandsWaiting = 0;
};

class Metrics final : public LineListeners {
  public:
    // `tick`: milliseconds like the system tick count; `now`: seconds since 1970.
    Metrics(std::function<std::uint32_t()> tick, std::function<std::int64_t()> now);

    void BeforeHangUp() override {}
    void OnLineEvent(const LineEvent& event) override;
    void OnDial(std::uint32_t code, std::uint32_t milliseconds) override;
    void OnCommand(const CommandRecord& record) override;

    // From any thread.
    std::string Text(const MetricsFacts& facts) const;

    struct Histogram {
        std::vector<double> bounds;           // seconds, ascending; +Inf is implied
        std::vector<std::uint64_t> counts{};  // per bound, not cumulative; one more for +Inf
        double sum = 0;
        void Observe(double seconds);
    };

  private:
    std::function<std::uint32_t()> tick_;
    std::function<std::int64_t()> now_;
    mutable std::mutex mutex_;
    std::array<std::uint64_t, 5> dials_{};  // ok, then failed by cause: account, busy, line, other
    std::array<std::uint64_t, 3> redials_{};  // new_address, same_address, failed
    std::array<std::uint64_t, kCommandSourceCount> commands_{};
    std::uint64_t drops_ = 0;
    std::uint64_t lookupFailures_ = 0;
    Histogram dialSeconds_;
    Histogram offlineSeconds_;
    bool offline_ = false;  // hung up or dropped, and no new address known yet
    std::uint32_t offlineSince_ = 0;
    std::int64_t addressChanged_ = 0;
};

}  // namespace qv
