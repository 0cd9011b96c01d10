#pragma once
// What a write of the clock's period does to its system timer. Kept apart from the window so
// the rules (negative is 0, an equal value leaves the countdown alone) are tested natively.

namespace qv {

struct ClockPeriodWrite {
    bool changed = false;    // false: nothing happens, a running countdown goes on
    int period = 0;          // the stored period afterwards
    bool killTimer = false;  // the running timer is killed first
    bool setTimer = false;   // then a timer is set with `period`; the clock runs iff set
};

ClockPeriodWrite DecideClockPeriodWrite(int storedPeriod, bool running, int value);

}  // namespace qv
