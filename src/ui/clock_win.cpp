// The clock unit: a hidden child window of its own class that owns system timer 1000 and
// raises its tick event on every timer message.
#include <windows.h>

#include "ui/clock_period.h"
#include "ui/form_win.h"
#include "ui/unit_win.h"

namespace qv {
namespace {

constexpr const char* kClockClass = "QvClock";

class ClockUnit final : public UnitControl {
  public:
    using UnitControl::UnitControl;
    ~ClockUnit() override {
        // Normally the window has gone with its parent by now; if not, take it down here so
        // its timer and its pointer to this unit do not outlive the unit.
        if (hwnd_ != nullptr) {
            SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
            StopTimer();
            DestroyWindow(hwnd_);
        }
    }

    bool Create(HWND parent, HFONT font) override {
        if (!RegisterClockClass() ||
            CreateControl(parent, 0, kClockClass, "", 0, font, record_.height) == nullptr) {
            return false;
        }
        if (period_ > 0) {
            StartTimer();
        }
        return true;
    }

    std::optional<int> ReadInt(int property) override {
        return property == prop::kContent ? std::optional<int>(period_)
                                          : UnitControl::ReadInt(property);
    }

    bool WriteInt(int property, int value) override {
        if (property != prop::kContent) {
            return UnitControl::WriteInt(property, value);
        }
        const ClockPeriodWrite write = DecideClockPeriodWrite(period_, running_, value);
        if (!write.changed) {
            return true;  // an equal period leaves the countdown running as it is
        }
        period_ = write.period;
        if (write.killTimer) {
            StopTimer();
        }
        if (write.setTimer) {
            StartTimer();
        }
        return true;
    }

  private:
    // A refused timer still counts as running: the clock then simply never ticks.
    void StartTimer() {
        SetTimer(hwnd_, kClockTimerId, static_cast<UINT>(period_), nullptr);
        running_ = true;
    }

    void StopTimer() {
        if (running_ && hwnd_ != nullptr) {
            KillTimer(hwnd_, kClockTimerId);
        }
        running_ = false;
    }

    static bool RegisterClockClass() {
        WNDCLASSA cls = {};
        if (GetClassInfoA(GetModuleHandleA(nullptr), kClockClass, &cls)) {
            return true;
        }
        cls.lpfnWndProc = &ClockProc;
        cls.hInstance = GetModuleHandleA(nullptr);
        cls.lpszClassName = kClockClass;
        return RegisterClassA(&cls) != 0;
    }

    static LRESULT CALLBACK ClockProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<ClockUnit*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        switch (message) {
            case WM_TIMER:
                if (self != nullptr) {
                    self->OnTick();
                }
                return 0;
            case WM_DESTROY:
                if (self != nullptr) {
                    self->StopTimer();
                }
                break;
            case WM_NCDESTROY:
                if (self != nullptr) {
                    self->hwnd_ = nullptr;
                }
                SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
                break;
            default:
                break;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    void OnTick() { form_.Raise(record_.id, event::kTick); }

    int period_ = 0;  // the form's period: stopped
    bool running_ = false;
};

}  // namespace

std::unique_ptr<UnitControl> MakeClockUnit(FormWindow& form, const UnitRecord& record) {
    return std::make_unique<ClockUnit>(form, record);
}

}  // namespace qv
