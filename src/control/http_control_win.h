#pragma once
// The local HTTP control: GET /status, POST /dial, /hangup, /redial for scripts on this
// machine, on its own thread. That thread never touches the window or the program's state:
// it hands each command to the window's thread through the queue and answers when the
// outcome comes back; a status request while a command runs is answered at once from the
// last known state.
#include <cstdint>
#include <memory>
#include <string>

#include "control/host.h"
#include "control/protocol.h"

namespace qv {

class HttpControl {
  public:
    HttpControl(CommandQueue& queue, StatusBoard& board, const TextCodec& codec, std::string token);
    ~HttpControl();  // stops the thread
    HttpControl(const HttpControl&) = delete;
    HttpControl& operator=(const HttpControl&) = delete;

    // Listens on address:port and starts serving; false (and nothing started) when the
    // address is not a usable local one or the port cannot be opened.
    bool Start(const std::string& address, std::uint16_t port);
    void Stop();

    struct Server;  // defined with the sessions, out of this header

  private:
    std::unique_ptr<Server> server_;
};

}  // namespace qv
