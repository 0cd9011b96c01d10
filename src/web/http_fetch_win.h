#pragma once
// One blocking HTTP GET through WinINet; the body as bytes.
#include "app/ports.h"

namespace qv {

Bytes HttpFetch(const Text& url);

// Closes the process-wide web session at exit.
void CloseHttpSession();

class WinPageFetcher final : public PageFetcher {
public:
    Bytes HttpFetch(const Text& url) override { return qv::HttpFetch(url); }
};

}  // namespace qv
