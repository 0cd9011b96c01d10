#pragma once
// The local HTTP control: GET /status, /history, /metrics, /result, POST /dial, /hangup,
// /redial for scripts on this machine, on its own thread. That thread never touches the window or
// the program's state: it hands each command to the window's thread through the queue and answers
// when the outcome comes back; a status request while a command runs is answered at once from the
// last known state. Portable: the Windows-only parts are in http_control_win.cpp.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "control/host.h"
#include "control/http_routes.h"
#include "control/protocol.h"

namespace qv {

// Limits that keep the control answering whatever its callers do.
inline constexpr int kMaxHttpConnections = 64;  // beyond: 503 at once
inline constexpr int kHeadSeconds = 3;          // for a request's head from its connection
inline constexpr int kRequestSeconds = 10;      // for the whole request

class HttpControl {
  public:
    HttpControl(CommandQueue& queue, StatusBoard& board, const TextCodec& codec, std::string token);
    ~HttpControl();  // stops the thread
    HttpControl(const HttpControl&) = delete;
    HttpControl& operator=(const HttpControl&) = delete;

    // Listens on address:port and starts serving; false (and nothing started) when the
    // address is not a usable local one or the port cannot be opened.
    bool Start(const std::string& address, std::uint16_t port);
    // Before Start: what GET /metrics answers (called on the server's thread; none: 404).
    void SetMetrics(std::function<std::string()> metrics);
    // The port listened on (the one the system chose when Start was given 0).
    std::uint16_t Port() const;
    void Stop();

    struct Server;  // defined with the sessions, out of this header

  private:
    std::unique_ptr<Server> server_;
};

// Per platform: http_control_win.cpp on Windows, beside the server elsewhere.
namespace http_platform {
// Keeps other programs from binding the listener's address beside ours and taking requests.
void ListenAlone(std::uintptr_t socket);
// A failure nobody is shown, written where a developer can read it.
void RecordFailure(const char* what, const char* detail);
}  // namespace http_platform

}  // namespace qv
