#pragma once
// The process-wide state of the dial-up service and the page fetch: the connection the last
// dial started and the web session. It exists before the program's own code runs and is
// torn down after it (web session first, then the dial-up teardown).

namespace qv {

struct ServiceState {
    void* dialledConnection = nullptr;  // HRASCONN
    void* httpSession = nullptr;        // HINTERNET
};

ServiceState& TheServiceState();

}  // namespace qv
