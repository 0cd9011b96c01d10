#include "app/assistant.h"

namespace qv {

// Placeholders until timed redial is built.
void Assistant::ToggleTimedRedial() {}
void Assistant::TimedRedialTick() {}

}  // namespace qv
