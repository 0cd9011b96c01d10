#include "control/result_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "app/keep_line.h"

namespace qv {

std::string ResultJson(const ScriptOutcome& outcome, const TextCodec& codec) {
    // Field order is the documented one, so people reading the line find it stable.
    nlohmann::ordered_json json;
    json["ok"] = outcome.ok;
    json["command"] = std::string(VerbName(outcome.command));
    json["state"] = outcome.connected ? "connected" : "disconnected";
    json["ip"] = codec.GbkToUtf8(outcome.ip);
    json["previous_ip"] = codec.GbkToUtf8(outcome.previousIp);
    json["entry"] = codec.GbkToUtf8(outcome.entry);
    json["busy"] = outcome.busy;
    json["error"] = codec.GbkToUtf8(outcome.error);
    json["ras_error"] = outcome.rasError;
    json["tries"] = outcome.tries;
    json["seconds"] = std::round(outcome.seconds * 1000.0) / 1000.0;
    if (outcome.command == ScriptVerb::Status) {
        json["watch"] = outcome.watch;
        json["last_error"] = outcome.lastError;
        json["error_class"] = std::string(DialErrorClassName(ClassifyDialError(outcome.lastError)));
        json["retry_in"] = outcome.retryIn;
        json["pool"] = outcome.pool;
        json["pool_value"] = outcome.poolValue;
    }
    // A codec that let invalid UTF-8 through must not make dump() throw.
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace qv
