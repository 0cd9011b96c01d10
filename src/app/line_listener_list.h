#pragma once
// Several followers of the line behind the one port: each is told, in the order added.
#include <functional>
#include <utility>
#include <vector>

#include "app/ports.h"

namespace qv {

class LineListenerList final : public LineListeners {
  public:
    void Add(LineListeners& listener) { listeners_.push_back(&listener); }
    bool Empty() const { return listeners_.empty(); }

    void BeforeHangUp() override {
        for (LineListeners* listener : listeners_) {
            listener->BeforeHangUp();
        }
    }
    void OnLineEvent(const LineEvent& event) override {
        for (LineListeners* listener : listeners_) {
            listener->OnLineEvent(event);
        }
    }
    void OnRetryWait(std::uint32_t rasError, std::uint32_t milliseconds) override {
        for (LineListeners* listener : listeners_) {
            listener->OnRetryWait(rasError, milliseconds);
        }
    }
    void OnWaiting(WaitKind kind) override {
        for (LineListeners* listener : listeners_) {
            listener->OnWaiting(kind);
        }
    }
    void OnDial(std::uint32_t code, std::uint32_t milliseconds) override {
        for (LineListeners* listener : listeners_) {
            listener->OnDial(code, milliseconds);
        }
    }
    void OnCommand(const CommandRecord& record) override {
        for (LineListeners* listener : listeners_) {
            listener->OnCommand(record);
        }
    }

  private:
    std::vector<LineListeners*> listeners_;
};

// A follower that only needs to know when a line came up: `lineUp` runs on each Connected event.
class LineUpListener final : public LineListeners {
  public:
    explicit LineUpListener(std::function<void()> lineUp) : lineUp_(std::move(lineUp)) {}
    void BeforeHangUp() override {}
    void OnLineEvent(const LineEvent& event) override {
        if (event.kind == LineEventKind::Connected) {
            lineUp_();
        }
    }

  private:
    std::function<void()> lineUp_;
};

}  // namespace qv
