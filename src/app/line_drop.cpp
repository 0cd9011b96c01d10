#include "app/assistant.h"

namespace qv {

// The watch also sees the program's own hang-ups, and a line that a command is about to
// bring up again: only a line that is down with nobody of ours at work dropped.
void Assistant::LineDown() {
    if (commandDepth_ > 0 || hungUpByProgram_ || s_.dialup.IsConnected()) {
        return;
    }
    hungUpByProgram_ = true;  // known down: the watch's next word is no second drop
    SetStatus(0, "当前状态：线路已断开");
    Balloon("线路已断开", IconKind::Warning);
    Tell(LineEventKind::Dropped, CommandResult());
    if (keepLine_.redialOnDrop) {
        DialCommand({.automatic = true, .source = CommandSource::Drop});
    }
}

}  // namespace qv
