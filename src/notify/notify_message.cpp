#include "notify/notify_message.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "base/text_helpers.h"

namespace qv {
namespace {

constexpr std::size_t kLongestAddress = 45;  // an IPv6 address with an IPv4 tail

bool IsAddressCharacter(char c) {
    const char lower = AsciiLower(c);
    return IsAsciiDigit(c) || (lower >= 'a' && lower <= 'f') || c == '.' || c == ':';
}

// The command processor's own characters, and line ends: a batch hook expanding %QV_ENTRY%
// must not run what a connection's name says.
constexpr const char kCommandCharacters[] = "&|<>^\"%()!\r\n";

}  // namespace

const char* EventName(LineEventKind kind) {
    switch (kind) {
        case LineEventKind::Connected:
            return "connected";
        case LineEventKind::Disconnected:
            return "disconnected";
        case LineEventKind::Dropped:
            return "dropped";
        case LineEventKind::Failed:
            return "failed";
    }
    return "";
}

Text AddressOrEmpty(const Text& text) {
    const bool address =
        text.size() <= kLongestAddress && std::all_of(text.begin(), text.end(), IsAddressCharacter);
    return address ? text : Text();
}

Text CommandSafeOrEmpty(const Text& text) {
    for (const char* c = kCommandCharacters; *c != '\0'; ++c) {
        // FindText: the second byte of a GBK character is no '|' or '^' of its own.
        if (FindText(text, Text(1, *c)) > 0) {
            return Text();
        }
    }
    return text;
}

std::vector<NameValue> HookEnvironment(const LineEvent& event) {
    return {
        {"QV_EVENT", EventName(event.kind)},
        {"QV_IP", AddressOrEmpty(event.ip)},
        {"QV_PREVIOUS_IP", AddressOrEmpty(event.previousIp)},
        // An entry name never holds a zero byte; cut there should one come, so that the
        // environment block stays whole.
        {"QV_ENTRY", CommandSafeOrEmpty(Text(event.entry.c_str()))},
        {"QV_RAS_ERROR", std::to_string(event.rasError)},
    };
}

std::string WebhookBody(const LineEvent& event, const GbkToUtf8& gbkToUtf8,
                        const std::string& time) {
    nlohmann::ordered_json json;
    json["event"] = EventName(event.kind);
    json["ip"] = gbkToUtf8(AddressOrEmpty(event.ip));
    json["previous_ip"] = gbkToUtf8(AddressOrEmpty(event.previousIp));
    json["entry"] = gbkToUtf8(event.entry);
    json["ras_error"] = event.rasError;
    json["time"] = time;
    // A converter that let invalid UTF-8 through must not make dump() throw.
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace qv
