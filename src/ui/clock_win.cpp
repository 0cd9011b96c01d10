#include "ui/form_win.h"
#include "ui/unit_win.h"

namespace qv {
namespace {

// Placeholder clock: a hidden window that stores its period but never ticks.
class ClockUnit final : public UnitControl {
public:
    using UnitControl::UnitControl;
    bool Create(HWND parent, HFONT font) override {
        return CreateControl(parent, 0, "STATIC", "", 0, font, record_.height) != nullptr;
    }
    std::optional<int> ReadInt(int property) override {
        return property == prop::kContent ? std::optional<int>(period_)
                                          : UnitControl::ReadInt(property);
    }
    bool WriteInt(int property, int value) override {
        if (property != prop::kContent) {
            return UnitControl::WriteInt(property, value);
        }
        period_ = value < 0 ? 0 : value;
        return true;
    }

private:
    int period_ = 0;
};

}  // namespace

std::unique_ptr<UnitControl> MakeClockUnit(FormWindow& form, const UnitRecord& record) {
    return std::make_unique<ClockUnit>(form, record);
}

}  // namespace qv
