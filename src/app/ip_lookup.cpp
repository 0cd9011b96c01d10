#include "app/assistant.h"
#include "base/text_helpers.h"

namespace qv {

// Whatever stands between the brackets is the address: neither validated nor trimmed.
Text Assistant::PublicIpLookup() {
    return TextBetween(BodyText(s_.web.HttpFetch(IpEchoPageUrl())), "[", "]");
}

}  // namespace qv
