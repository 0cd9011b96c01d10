#include "web/http_fetch_win.h"

namespace qv {

// Placeholders until the page fetch is built.
Bytes HttpFetch(const Text&) { return Bytes(); }
void CloseHttpSession() {}

}  // namespace qv
