#pragma once
// What a line event tells the hook (environment variables) and the webhook (a JSON body).
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/ports.h"
#include "base/text.h"
#include "base/time_text.h"

namespace qv {

// "connected", "disconnected", "dropped", "failed".
const char* EventName(LineEventKind kind);

// `text` when it is made of address characters only (digits, hex letters, '.', ':'), else
// empty. The echo page's text is not validated where it is read, and a batch hook expanding
// %QV_IP% must never meet '&' or '|' from a web page.
Text AddressOrEmpty(const Text& text);
// `text` when it holds none of the command processor's characters (& | < > ^ " % ( ) !) and no
// line end, else empty: the same care for the connection's name.
Text CommandSafeOrEmpty(const Text& text);

// QV_EVENT, QV_IP, QV_PREVIOUS_IP, QV_ENTRY, QV_RAS_ERROR (decimal), in that order; every one
// present, empty when unknown. Texts stay GBK.
using NameValue = std::pair<std::string, Text>;
std::vector<NameValue> HookEnvironment(const LineEvent& event);

// {"event","ip","previous_ip","entry","ras_error","time"}, texts passed through `gbkToUtf8`.
using GbkToUtf8 = std::function<std::string(const Text&)>;
std::string WebhookBody(const LineEvent& event, const GbkToUtf8& gbkToUtf8,
                        const std::string& time);

}  // namespace qv
