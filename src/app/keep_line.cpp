#include "app/keep_line.h"

#include <algorithm>

#include "app/settings.h"
#include "base/text_helpers.h"

namespace qv {
namespace {

int KeepLineValue(Profile& profile, const char* key, int low, int high, int fallback) {
    return ReadBoundedSetting(profile, key, kKeepLineSection, low, high, fallback);
}

}  // namespace

KeepLineSettings ReadKeepLineSettings(Profile& profile) {
    KeepLineSettings settings;
    settings.retries = KeepLineValue(profile, kKeyRetries, 0, 100, settings.retries);
    settings.retryIntervalSeconds =
        KeepLineValue(profile, kKeyRetryInterval, 1, 300, settings.retryIntervalSeconds);
    settings.minimumGapSeconds =
        KeepLineValue(profile, kKeyMinimumGap, 0, 3600, settings.minimumGapSeconds);
    settings.redialOnDrop = KeepLineValue(profile, kKeyRedialOnDrop, 0, 1, 0) == 1;
    settings.waitForAddressSeconds =
        KeepLineValue(profile, kKeyWaitForAddress, 0, 120, settings.waitForAddressSeconds);
    return settings;
}

DialErrorClass ClassifyDialError(std::uint32_t code) {
    switch (code) {
        case 0:
            return DialErrorClass::None;
        case 691:  // account or password not valid
        case 646:  // outside the account's logon hours
        case 647:  // account disabled
        case 648:  // password expired
        case 649:  // no dial-in permission
            return DialErrorClass::Account;
        case 633:  // port in use
        case 797:  // device busy
            return DialErrorClass::Busy;
        case 678:  // no answer
        case 651:  // the modem reported an error
        case 815:  // broadband: no answer
        case 619:  // the port was disconnected
        case 718:  // PPP timed out
        case 734:  // PPP link control ended
        case 769:  // destination not reachable
            return DialErrorClass::Line;
        default:
            return DialErrorClass::Other;
    }
}

std::string_view DialErrorClassName(DialErrorClass kind) {
    switch (kind) {
        case DialErrorClass::None:
            return "";
        case DialErrorClass::Account:
            return "account";
        case DialErrorClass::Busy:
            return "busy";
        case DialErrorClass::Line:
            return "line";
        case DialErrorClass::Other:
            return "other";
    }
    return "other";
}

// An account refusal is tried once more (ISPs sometimes refuse a good account once), never a
// third time: more would get the account blocked.
RetryStep NextRetry(const KeepLineSettings& settings, std::uint32_t code, int retriesMade,
                    int accountRefusalsInARow, std::uint32_t& backoffMs) {
    const DialErrorClass kind = ClassifyDialError(code);
    if (kind == DialErrorClass::None || retriesMade >= settings.retries ||
        (kind == DialErrorClass::Account && accountRefusalsInARow >= 2)) {
        return {};
    }
    if (kind == DialErrorClass::Busy) {
        return {true, kBusyPortWaitMs};
    }
    if (backoffMs == 0) {
        backoffMs = static_cast<std::uint32_t>(settings.retryIntervalSeconds) * 1000;
    }
    const RetryStep step{true, backoffMs};
    backoffMs = std::min(backoffMs * 2, kMaxRetryWaitMs);
    return step;
}

std::vector<Text> EchoPageList(const Text& setting) {
    std::vector<Text> pages;
    int start = 1;
    for (;;) {
        // FindText: a "|" that is the second byte of a two-byte character separates nothing.
        const int bar = FindText(setting, "|", start);
        const Text page =
            MidText(setting, start, bar < 0 ? static_cast<int>(setting.size()) : bar - start);
        const std::string_view trimmed = TrimSpaces(page);
        if (!trimmed.empty()) {
            pages.emplace_back(trimmed);
        }
        if (bar < 0) {
            return pages;
        }
        start = bar + 1;
    }
}

}  // namespace qv
