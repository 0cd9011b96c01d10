// The HTTP control's Windows-only parts: the listener's exclusive bind and where its
// failures are recorded.
#include <winsock2.h>

#include "base/failure_record_win.h"
#include "control/http_control.h"

namespace qv::http_platform {

void ListenAlone(std::uintptr_t socket) {
    // Without it another program could bind the same port beside ours (Windows lets a
    // SO_REUSEADDR socket share a bound port) and take requests.
    BOOL exclusive = TRUE;
    setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
               reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
}

void RecordFailure(const char* what, const char* detail) {
    qv::RecordFailure(what, detail);
}

}  // namespace qv::http_platform
