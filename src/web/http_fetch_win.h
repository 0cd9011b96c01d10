#pragma once
// One blocking HTTP GET through WinINet; the body as bytes.
#include "app/ports.h"

namespace qv {

// The body the server sent, whatever its status; the part received when the transfer broke
// off; empty when nothing came. Opens the process-wide web session on first need.
Bytes HttpFetch(const Text& url);

// Closes the process-wide web session at exit.
void CloseHttpSession();

// The web session now open, null when none is (for tests).
void* HttpSessionHandle();

class WinPageFetcher final : public PageFetcher {
  public:
    Bytes HttpFetch(const Text& url) override { return qv::HttpFetch(url); }
};

}  // namespace qv
