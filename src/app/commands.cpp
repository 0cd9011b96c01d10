#include "app/assistant.h"

namespace qv {

// Placeholders until the dial, hang-up and redial commands are built.
void Assistant::DialCommand() {}
void Assistant::HangUpCommand() {}
void Assistant::RedialCommand() {}
void Assistant::DelayWithEvents(int) {}

}  // namespace qv
