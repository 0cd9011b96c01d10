#include "app/assistant.h"
#include "base/ip_address.h"
#include "base/text_helpers.h"

namespace qv {
namespace {

constexpr int kAddressPollMilliseconds = 1000;

}  // namespace

Text EchoPageAnswer(const Bytes& page) {
    return Text(TrimSpaces(TextBetween(BodyText(page), "[", "]")));
}

// Only an address counts as the page's answer: an error page, HTML or an empty pair of
// brackets is no answer, and the next page in the list is asked.
Text Assistant::PublicIpLookup() {
    lastLookupNotAnAddress_ = false;
    for (const Text& page : echoPages_) {
        const Bytes body = s_.web.HttpFetch(page);
        const Text address = EchoPageAnswer(body);
        if (IsIpAddress(address)) {
            lastLookupNotAnAddress_ = false;
            return address;
        }
        lastLookupNotAnAddress_ =
            lastLookupNotAnAddress_ || !TextBetween(BodyText(body), "[", "]").empty();
    }
    return Text();
}

// A new line may take a while before the page sees it: with 等待IP set, ask again every second
// for up to that long.
Text Assistant::LookUpNewAddress(CommandResult& result) {
    Text address = PublicIpLookup();
    const std::uint32_t span = static_cast<std::uint32_t>(keepLine_.waitForAddressSeconds) * 1000;
    const std::uint32_t start = s_.pump.TickCount();
    while (address.empty() && span > 0 && s_.pump.TickCount() - start < span) {
        DelayWithEvents(kAddressPollMilliseconds);
        address = PublicIpLookup();
    }
    result.answerNotAnAddress = address.empty() && lastLookupNotAnAddress_;
    return address;
}

}  // namespace qv
