#include "app/assistant.h"

namespace qv {

// Placeholder until the page fetch and the text helpers are built.
Text Assistant::PublicIpLookup() { return Text(); }

}  // namespace qv
