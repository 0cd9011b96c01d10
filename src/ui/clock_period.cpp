#include "ui/clock_period.h"

namespace qv {

ClockPeriodWrite DecideClockPeriodWrite(int storedPeriod, bool running, int value) {
    const int period = value < 0 ? 0 : value;
    if (period == storedPeriod) {
        return {.changed = false, .period = storedPeriod};
    }
    return {.changed = true, .period = period, .killTimer = running, .setTimer = period > 0};
}

}  // namespace qv
